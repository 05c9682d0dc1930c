// The web view's library half: the libsoup server on its own thread and
// GMainContext, the JPEG encoder thread (libjpeg-turbo) and the PNG form of
// shots (libpng, in GLib's worker threads).
//
// libjpeg-turbo rather than a GStreamer jpegenc pipeline: it takes the BGRX
// rows as they are (no conversion element, no caps to renegotiate when the
// picture or stream size changes) and encodes in the calling thread, so one
// plain thread with one buffer is the whole encoder.
#include <gio/gio.h>
#include <cstdio>  // jpeglib.h needs FILE
#include <jpeglib.h>
#include <libsoup/soup.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/locations.h"
#include "image/bmp_loader.h"
#include "platform/clock.h"
#include "platform/disk.h"
#include "platform/paths.h"
#include "web/web.h"

namespace {

// A request body is a form with the token: anything larger is refused
// before it is read.
constexpr goffset kMaxRequestBody = 4096;
// The stream's pace when the camera does not say its rate.
constexpr double kDefaultRate = 15;
constexpr double kMaxRate = 30;
// A snapshot that gets no picture in this time (no frame routine run, a
// modal box open) is answered 503 rather than holding its client's place.
constexpr guint kSnapshotWaitMs = 5000;

struct Picture {
    WebSource source = WebSource::kCamera;
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

// One request being served.  Deleted when the message is finished.
struct Client {
    SoupServerMessage* message = nullptr;
    WebSource source = WebSource::kCamera;
    bool stream = false;      // an MJPEG stream client...
    bool snapshot = false;    // ...or a snapshot waiting for its picture
    bool ready = true;        // the stream's last part has been written
    bool finished = false;
    GSource* timeout = nullptr;  // a snapshot's wait
};

// Owned by StartWebServer/StopWebServer (window thread); the server thread
// alone touches `clients`, `count` and `waiting`; `wanting` and the encoder's
// hand-over are shared under their atomics and mutex.
struct ServerState {
    WebSettings settings;
    std::string token;
    std::string shots_folder, recordings_folder;
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    SoupServer* server = nullptr;
    std::thread thread;
    WebClientCount count;
    std::vector<Client*> waiting;  // stream clients and snapshot requests
    std::atomic<int> wanting[kWebSourceCount] = {};
    std::atomic<uint32_t> last_handover[kWebSourceCount] = {};

    std::thread encoder;
    std::mutex mutex;
    std::condition_variable wake;
    Picture pending;
    bool has_pending = false;
    bool stop = false;
};
ServerState* g_server = nullptr;

// ---- the encoder ----

GBytes* EncodeJpeg(const Picture& picture, int stream_width, int quality) {
    int w = 0, h = 0;
    StreamSize(picture.width, picture.height, stream_width, &w, &h);
    jpeg_compress_struct jpeg{};
    jpeg_error_mgr errors{};
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&jpeg, &out, &out_size);
    jpeg.image_width = static_cast<JDIMENSION>(w);
    jpeg.image_height = static_cast<JDIMENSION>(h);
    jpeg.input_components = 4;
    jpeg.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, std::clamp(quality, 1, 100), TRUE);
    jpeg.dct_method = JDCT_IFAST;
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<uint8_t> row(size_t(w) * 4);
    const bool scaled = w != picture.width || h != picture.height;
    while (jpeg.next_scanline < jpeg.image_height) {
        const int y = static_cast<int>(jpeg.next_scanline);
        // Bottom row first in memory: the top row of the picture is the last.
        const int source_row = picture.height - 1 - static_cast<int>(int64_t(y) * picture.height / h);
        const uint8_t* line = picture.pixels.data() + size_t(source_row) * picture.width * 4;
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(line)};
        if (scaled) {
            for (int x = 0; x < w; ++x)
                std::memcpy(&row[size_t(x) * 4], line + size_t(int64_t(x) * picture.width / w) * 4, 4);
            rows[0] = row.data();
        }
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    jpeg_destroy_compress(&jpeg);
    return g_bytes_new_with_free_func(out, out_size, free, out);
}

struct Delivery {
    WebSource source;
    GBytes* jpeg;
};

void Deliver(WebSource source, GBytes* jpeg);

gboolean DeliverOnServer(gpointer data) {
    auto* delivery = static_cast<Delivery*>(data);
    Deliver(delivery->source, delivery->jpeg);
    g_bytes_unref(delivery->jpeg);
    delete delivery;
    return G_SOURCE_REMOVE;
}

void EncoderLoop(ServerState* state) {
    Picture picture;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(state->mutex);
            state->wake.wait(lock, [state] { return state->stop || state->has_pending; });
            if (state->stop) return;
            std::swap(picture, state->pending);
            state->has_pending = false;
        }
        GBytes* jpeg = EncodeJpeg(picture, state->settings.stream_width, state->settings.stream_quality);
        g_main_context_invoke(state->context, DeliverOnServer, new Delivery{picture.source, jpeg});
    }
}

// ---- clients ----

void Forget(Client* client) {
    ServerState* state = g_server;
    auto& waiting = state->waiting;
    for (auto it = waiting.begin(); it != waiting.end(); ++it)
        if (*it == client) {
            waiting.erase(it);
            --state->wanting[static_cast<int>(client->source)];
            return;
        }
}

void Wait(Client* client) {
    g_server->waiting.push_back(client);
    ++g_server->wanting[static_cast<int>(client->source)];
    soup_server_message_pause(client->message);
}

void CancelTimeout(Client* client) {
    if (!client->timeout) return;
    g_source_destroy(client->timeout);
    g_source_unref(client->timeout);
    client->timeout = nullptr;
}

void OnFinished(SoupServerMessage*, gpointer data) {
    auto* client = static_cast<Client*>(data);
    if (client->finished) return;
    client->finished = true;
    CancelTimeout(client);
    Forget(client);
    ReleaseWebClient(g_server->count);
}

void OnWroteChunk(SoupServerMessage*, gpointer data) { static_cast<Client*>(data)->ready = true; }

void DeleteClient(gpointer data, GClosure*) { delete static_cast<Client*>(data); }

void SendPart(Client* client, GBytes* jpeg) {
    const std::string header = StreamPartHeader(g_bytes_get_size(jpeg));
    std::string part = header;
    part.append(static_cast<const char*>(g_bytes_get_data(jpeg, nullptr)), g_bytes_get_size(jpeg));
    part += "\r\n";
    SoupMessageBody* body = soup_server_message_get_response_body(client->message);
    soup_message_body_append(body, SOUP_MEMORY_COPY, part.data(), part.size());
    client->ready = false;
    soup_server_message_unpause(client->message);
}

void Deliver(WebSource source, GBytes* jpeg) {
    if (!g_server) return;
    std::vector<Client*> served;
    for (Client* client : g_server->waiting) {
        if (client->source != source || client->finished) continue;
        if (client->snapshot) {
            soup_server_message_set_status(client->message, SOUP_STATUS_OK, nullptr);
            soup_server_message_set_response(client->message, "image/jpeg", SOUP_MEMORY_COPY,
                                             static_cast<const char*>(g_bytes_get_data(jpeg, nullptr)),
                                             g_bytes_get_size(jpeg));
            served.push_back(client);
        } else if (client->ready) {
            // A client that has not taken the last part skips this one: a
            // stalled reader never holds more than one frame.
            SendPart(client, jpeg);
        }
    }
    for (Client* client : served) {
        CancelTimeout(client);
        Forget(client);
        soup_server_message_unpause(client->message);
    }
}

// ---- answers ----

void Answer(SoupServerMessage* message, guint status, const char* text);

gboolean SnapshotTimedOut(gpointer data) {
    auto* client = static_cast<Client*>(data);
    g_source_unref(client->timeout);
    client->timeout = nullptr;
    Forget(client);
    Answer(client->message, SOUP_STATUS_SERVICE_UNAVAILABLE, "No picture\n");
    soup_server_message_unpause(client->message);
    return G_SOURCE_REMOVE;
}

void WaitForSnapshot(Client* client) {
    client->snapshot = true;
    client->timeout = g_timeout_source_new(kSnapshotWaitMs);
    g_source_set_callback(client->timeout, SnapshotTimedOut, client, nullptr);
    g_source_attach(client->timeout, g_server->context);
    Wait(client);
}

void Answer(SoupServerMessage* message, guint status, const char* text) {
    soup_server_message_set_status(message, status, nullptr);
    soup_server_message_set_response(message, "text/plain; charset=utf-8", SOUP_MEMORY_COPY, text,
                                     std::strlen(text));
}

std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return "";
    std::string text = real;
    free(real);
    return text;
}

std::vector<WebFileEntry> CaptureFiles() {
    std::vector<WebFileEntry> files;
    const std::string folders[] = {g_server->shots_folder, g_server->recordings_folder};
    for (size_t i = 0; i < std::size(folders); ++i) {
        if (i > 0 && folders[i] == folders[0]) continue;
        std::vector<FolderFile> listed;
        ListFolderFiles(folders[i], &listed);
        for (const FolderFile& file : listed)
            if (IsServableName(file.name)) files.push_back({file.name, file.bytes, file.modified});
    }
    SortNewestFirst(files);
    return files;
}

void ServePage(SoupServerMessage* message) {
    const std::string page = WebPageHtml(CurrentWebStatus(), CaptureFiles(), g_server->token);
    soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
    soup_message_headers_replace(soup_server_message_get_response_headers(message), "Cache-Control", "no-store");
    soup_server_message_set_response(message, "text/html; charset=utf-8", SOUP_MEMORY_COPY, page.data(),
                                     page.size());
}

void ServeStream(SoupServerMessage* message, Client* client) {
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
    soup_message_headers_set_encoding(headers, SOUP_ENCODING_CHUNKED);
    soup_message_headers_replace(headers, "Content-Type",
                                 (std::string("multipart/x-mixed-replace; boundary=") + kStreamBoundary).c_str());
    soup_message_headers_replace(headers, "Cache-Control", "no-store");
    soup_message_body_set_accumulate(soup_server_message_get_response_body(message), FALSE);
    soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
    client->stream = true;
    g_signal_connect(message, "wrote-chunk", G_CALLBACK(OnWroteChunk), client);
    Wait(client);
}

// The file's real path when `name` names a regular file inside its capture
// folder (links followed on both sides), else "".
std::string CaptureFilePath(const std::string& name) {
    const std::string& folder = IsShotName(name) ? g_server->shots_folder : g_server->recordings_folder;
    const std::string real_folder = RealPath(folder), real_file = RealPath(folder + "/" + name);
    struct stat info {};
    if (!InsideFolder(real_folder, real_file) || stat(real_file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return "";
    return real_file;
}

// libsoup 3's server answers one range of a complete 200 body by itself
// (checked), but only after flattening the body; the range is sliced here
// out of the mapped file, and the 206 is left alone by libsoup.
void ServeFile(SoupServerMessage* message, const std::string& name) {
    const std::string path = CaptureFilePath(name);
    GMappedFile* mapped = path.empty() ? nullptr : g_mapped_file_new(path.c_str(), FALSE, nullptr);
    if (!mapped) return Answer(message, SOUP_STATUS_NOT_FOUND, "Not found\n");
    GBytes* whole = g_mapped_file_get_bytes(mapped);
    g_mapped_file_unref(mapped);
    const uint64_t size = g_bytes_get_size(whole);
    SoupMessageHeaders* request = soup_server_message_get_request_headers(message);
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
    const char* range_header = soup_message_headers_get_one(request, "Range");
    const ByteRange range = ParseByteRange(range_header ? range_header : "", size);
    soup_message_headers_replace(headers, "Accept-Ranges", "bytes");
    if (!IsShotName(name) && std::strstr(CaptureContentType(name), "msvideo"))
        soup_message_headers_replace(headers, "Content-Disposition",
                                     ("attachment; filename=\"" + name + "\"").c_str());
    soup_message_headers_replace(headers, "Content-Type", CaptureContentType(name));
    GBytes* body = whole;
    if (range.kind == ByteRange::kUnsatisfiable) {
        soup_message_headers_replace(headers, "Content-Range", ("bytes */" + std::to_string(size)).c_str());
        g_bytes_unref(whole);
        return Answer(message, SOUP_STATUS_REQUESTED_RANGE_NOT_SATISFIABLE, "Range not satisfiable\n");
    }
    if (range.kind == ByteRange::kPart) {
        body = g_bytes_new_from_bytes(whole, range.first, range.last - range.first + 1);
        g_bytes_unref(whole);
        soup_message_headers_replace(headers, "Content-Range",
                                     ("bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) +
                                      "/" + std::to_string(size))
                                         .c_str());
        soup_server_message_set_status(message, SOUP_STATUS_PARTIAL_CONTENT, nullptr);
    } else {
        soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
    }
    soup_message_body_append_bytes(soup_server_message_get_response_body(message), body);
    g_bytes_unref(body);
}

// ---- shots as PNG, off the server thread ----

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

bool EncodePng(const RgbImage& image, std::string* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, out, AppendPng, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = image.height - 1; y >= 0; --y)  // bottom row first in memory
        png_write_row(png, image.data + size_t(y) * image.width * 3);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

void ConvertShot(GTask* task, gpointer, gpointer data, GCancellable*) {
    const auto* path = static_cast<const std::string*>(data);
    auto* png = new std::string;
    RgbImage* image = LoadBitmapImage(path->c_str());
    if (image && EncodePng(*image, png)) {
        g_task_return_pointer(task, png, [](gpointer p) { delete static_cast<std::string*>(p); });
    } else {
        delete png;
        g_task_return_pointer(task, nullptr, nullptr);
    }
    delete image;
}

void ShotConverted(GObject*, GAsyncResult* result, gpointer data) {
    auto* client = static_cast<Client*>(data);
    auto* png = static_cast<std::string*>(g_task_propagate_pointer(G_TASK(result), nullptr));
    if (!client->finished) {
        if (png) {
            soup_server_message_set_status(client->message, SOUP_STATUS_OK, nullptr);
            soup_server_message_set_response(client->message, "image/png", SOUP_MEMORY_COPY, png->data(),
                                             png->size());
        } else {
            Answer(client->message, SOUP_STATUS_NOT_FOUND, "Not found\n");
        }
        soup_server_message_unpause(client->message);
    }
    delete png;
    g_object_unref(client->message);
}

void ServeShotAsPng(SoupServerMessage* message, Client* client, const std::string& name) {
    const std::string path = CaptureFilePath(name);
    if (path.empty()) return Answer(message, SOUP_STATUS_NOT_FOUND, "Not found\n");
    g_object_ref(message);
    soup_server_message_pause(message);
    GTask* task = g_task_new(nullptr, nullptr, ShotConverted, client);
    g_task_set_task_data(task, new std::string(path), [](gpointer p) { delete static_cast<std::string*>(p); });
    g_task_run_in_thread(task, ConvertShot);
    g_object_unref(task);
}

// ---- actions ----

struct ActionReply {
    Client* client;
};

gboolean FinishAction(gpointer data) {
    auto* reply = static_cast<ActionReply*>(data);
    Client* client = reply->client;
    if (!client->finished) {
        soup_server_message_set_redirect(client->message, SOUP_STATUS_SEE_OTHER, "/");
        soup_server_message_unpause(client->message);
    }
    g_object_unref(client->message);
    delete reply;
    return G_SOURCE_REMOVE;
}

std::string FormToken(SoupServerMessage* message) {
    SoupMessageBody* body = soup_server_message_get_request_body(message);
    GBytes* bytes = soup_message_body_flatten(body);
    gsize size = 0;
    const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    const std::string text(data ? data : "", size);
    g_bytes_unref(bytes);
    GHashTable* form = soup_form_decode(text.c_str());
    const char* token = static_cast<const char*>(g_hash_table_lookup(form, "token"));
    std::string found = token ? token : "";
    g_hash_table_unref(form);
    return found;
}

void ServeAction(SoupServerMessage* message, Client* client, WebAction action) {
    if (!TokensMatch(g_server->token, FormToken(message)))
        return Answer(message, SOUP_STATUS_FORBIDDEN, "Forbidden: the page's token is missing or wrong\n");
    g_object_ref(message);
    soup_server_message_pause(message);
    GMainContext* context = g_server->context;
    QueueWebAction(action, [client, context] {
        g_main_context_invoke(context, FinishAction, new ActionReply{client});
    });
}

// ---- handlers ----

bool Authorized(SoupServerMessage* message) {
    if (!g_server->settings.password_hash[0]) return true;
    const char* header =
        soup_message_headers_get_one(soup_server_message_get_request_headers(message), "Authorization");
    if (header && BasicAuthorizationMatches(header, g_server->settings.password_hash)) return true;
    soup_message_headers_replace(soup_server_message_get_response_headers(message), "WWW-Authenticate",
                                 "Basic realm=\"Lumora\"");
    Answer(message, SOUP_STATUS_UNAUTHORIZED, "Unauthorized\n");
    return false;
}

// Runs after the headers, before any body is read.
void EarlyHandler(SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer) {
    SoupMessageHeaders* headers = soup_server_message_get_request_headers(message);
    const SoupEncoding encoding = soup_message_headers_get_encoding(headers);
    if (encoding == SOUP_ENCODING_CHUNKED) {
        Answer(message, SOUP_STATUS_LENGTH_REQUIRED, "Length required\n");
    } else if (encoding == SOUP_ENCODING_CONTENT_LENGTH &&
               soup_message_headers_get_content_length(headers) > kMaxRequestBody) {
        Answer(message, SOUP_STATUS_REQUEST_ENTITY_TOO_LARGE, "Request too large\n");
    } else {
        Authorized(message);
    }
}

void Route(SoupServerMessage* message, Client* client) {
    GUri* uri = soup_server_message_get_uri(message);
    const char* query = g_uri_get_query(uri);
    const WebRequest request =
        ParseWebRequest(soup_server_message_get_method(message), g_uri_get_path(uri), query ? query : "");
    client->source = request.source;
    switch (request.route) {
        case WebRoute::kPage: return ServePage(message);
        case WebRoute::kStream: return ServeStream(message, client);
        case WebRoute::kSnapshot: return WaitForSnapshot(client);
        case WebRoute::kFile: return ServeFile(message, request.file);
        case WebRoute::kShotAsPng: return ServeShotAsPng(message, client, request.file);
        case WebRoute::kAction: return ServeAction(message, client, request.action);
        case WebRoute::kWrongMethod: return Answer(message, SOUP_STATUS_METHOD_NOT_ALLOWED, "Method not allowed\n");
        case WebRoute::kNotFound: return Answer(message, SOUP_STATUS_NOT_FOUND, "Not found\n");
    }
}

void Handler(SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer) {
    if (!AdmitWebClient(g_server->count, g_server->settings.max_clients)) {
        soup_message_headers_replace(soup_server_message_get_response_headers(message), "Retry-After", "5");
        return Answer(message, SOUP_STATUS_SERVICE_UNAVAILABLE, "Too many clients\n");
    }
    auto* client = new Client;
    client->message = message;
    g_signal_connect_data(message, "finished", G_CALLBACK(OnFinished), client, DeleteClient, GConnectFlags(0));
    g_signal_connect(message, "disconnected", G_CALLBACK(OnFinished), client);
    Route(message, client);
}

GSocketAddress* ListenAddress(const WebSettings& settings) {
    const std::string text = std::strcmp(settings.address, "localhost") == 0 ? "127.0.0.1" : settings.address;
    GInetAddress* address = g_inet_address_new_from_string(text.c_str());
    if (!address) return nullptr;
    GSocketAddress* socket = g_inet_socket_address_new(address, static_cast<guint16>(settings.port));
    g_object_unref(address);
    return socket;
}

bool Listen(ServerState* state, std::string* problem) {
    state->server = soup_server_new("raw-paths", TRUE, "server-header", "Lumora", nullptr);
    soup_server_add_early_handler(state->server, nullptr, EarlyHandler, nullptr, nullptr);
    soup_server_add_handler(state->server, nullptr, Handler, nullptr, nullptr);
    GSocketAddress* address = ListenAddress(state->settings);
    if (!address) {
        *problem = std::string("\"") + state->settings.address + "\" is not an IP address";
        return false;
    }
    GError* error = nullptr;
    const bool listening = soup_server_listen(state->server, address, SoupServerListenOptions(0), &error);
    g_object_unref(address);
    if (!listening) {
        *problem = error->message;
        g_error_free(error);
    }
    return listening;
}

void ServerThread(ServerState* state, std::promise<std::string>* started) {
    g_main_context_push_thread_default(state->context);
    std::string problem;
    const bool listening = Listen(state, &problem);
    started->set_value(listening ? "" : problem);
    if (listening) g_main_loop_run(state->loop);
    soup_server_disconnect(state->server);
    g_object_unref(state->server);
    // Sources still queued (late deliveries) are dropped with the context.
    while (g_main_context_iteration(state->context, FALSE)) {
    }
    g_main_context_pop_thread_default(state->context);
}

gboolean QuitLoop(gpointer data) {
    g_main_loop_quit(static_cast<GMainLoop*>(data));
    return G_SOURCE_REMOVE;
}

void FreeState(ServerState* state) {
    g_main_loop_unref(state->loop);
    g_main_context_unref(state->context);
    delete state;
}

}  // namespace

bool StartWebServer(const WebSettings& settings, std::string* problem) {
    auto* state = new ServerState;
    state->settings = settings;
    state->token = MakeWebToken();
    state->shots_folder = NativePath(OutputFolder(OutputKind::kShots).c_str());
    state->recordings_folder = NativePath(OutputFolder(OutputKind::kRecordings).c_str());
    state->context = g_main_context_new();
    state->loop = g_main_loop_new(state->context, FALSE);
    g_server = state;
    std::promise<std::string> started;
    std::future<std::string> result = started.get_future();
    state->thread = std::thread(ServerThread, state, &started);
    *problem = result.get();
    if (!problem->empty()) {
        state->thread.join();
        g_server = nullptr;
        FreeState(state);
        return false;
    }
    state->encoder = std::thread(EncoderLoop, state);
    return true;
}

void StopWebServer() {
    ServerState* state = g_server;
    if (!state) return;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->stop = true;
    }
    state->wake.notify_one();
    state->encoder.join();
    g_main_context_invoke(state->context, QuitLoop, state->loop);
    state->thread.join();
    g_server = nullptr;
    FreeState(state);
}

bool WebWantsPicture(WebSource source, uint32_t now_ms) {
    ServerState* state = g_server;
    const int index = static_cast<int>(source);
    if (!state || state->wanting[index] <= 0) return false;
    const double rate = app.video_frame_rate > 0 ? std::min(app.video_frame_rate, kMaxRate) : kDefaultRate;
    if (now_ms - state->last_handover[index] < static_cast<uint32_t>(1000.0 / rate)) return false;
    // One picture at a time: the encoder has not taken the last one yet.
    std::lock_guard<std::mutex> lock(state->mutex);
    return !state->has_pending;
}

void HandOverWebPicture(WebSource source, int width, int height, const uint8_t* pixels) {
    ServerState* state = g_server;
    if (!state) return;
    state->last_handover[static_cast<int>(source)] = GetTickCount();
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->pending.source = source;
        state->pending.width = width;
        state->pending.height = height;
        state->pending.pixels.assign(pixels, pixels + size_t(width) * height * 4);
        state->has_pending = true;
    }
    state->wake.notify_one();
}
