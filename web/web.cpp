#include "web/web.h"

#include <glib.h>
#include <sys/random.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>

#include "app/app.h"
#include "console/console.h"
#include "motion/motion.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "record/record.h"
#include "record/storage_guard.h"
#include "render/frame_loop.h"

WebSettings web_settings;
WebState web;

namespace {

constexpr const char* kSection = "web";
constexpr const char* kHashScheme = "sha256";
constexpr size_t kTokenBytes = 16;
constexpr size_t kSaltBytes = 12;
// The stream never runs faster than this, whatever the camera says.
constexpr double kMaxStreamRate = 30;

template <typename Visit>
void ForEachWebSetting(Visit visit) {
    WebSettings& s = web_settings;
    visit("on", s.on);
    visit("port", s.port);
    visit("address", s.address);
    visit("password_hash", s.password_hash);
    visit("max_clients", s.max_clients);
    visit("stream_width", s.stream_width);
    visit("stream_quality", s.stream_quality);
    visit("hook_motion_event", s.hook_motion_event);
    visit("hook_recording_finished", s.hook_recording_finished);
}

struct WebLoader {
    void operator()(const char* name, int32_t& field) const {
        field = static_cast<int32_t>(ReadSettingUnsigned(kSection, name, static_cast<uint32_t>(field)));
    }
    void operator()(const char* name, char (&field)[kWebTextLength]) const {
        char text[kWebTextLength];
        ReadSettingText(kSection, name, field, text, sizeof text);
        std::snprintf(field, sizeof field, "%s", text);
    }
};

struct WebSaver {
    bool* failed;
    void operator()(const char* name, int32_t& field) const {
        if (!*failed) *failed = WriteSettingUnsigned(kSection, name, static_cast<uint32_t>(field)) == 0;
    }
    void operator()(const char* name, char (&field)[kWebTextLength]) const {
        if (!*failed) *failed = WriteSettingText(kSection, name, field) == 0;
    }
};

std::string Hex(const uint8_t* bytes, size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::string RandomHex(size_t count) {
    std::vector<uint8_t> bytes(count);
    size_t got = 0;
    while (got < count) {
        const ssize_t n = getrandom(bytes.data() + got, count - got, 0);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    // Without the kernel's source (never on Linux 3.17+), GLib's generator
    // still makes the token differ from run to run.
    for (size_t i = got; i < count; ++i) bytes[i] = static_cast<uint8_t>(g_random_int());
    return Hex(bytes.data(), count);
}

bool EndsWith(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

std::string FileSizeText(uint64_t bytes) {
    char text[32];
    if (bytes >= 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    else
        std::snprintf(text, sizeof text, "%.0f KiB", static_cast<double>(bytes) / 1024.0);
    return text;
}

std::string DateText(int64_t seconds) {
    const time_t when = static_cast<time_t>(seconds);
    struct tm local {};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string FileRow(const WebFileEntry& file) {
    const std::string name = Escape(file.name), url = "/capture/" + name;
    std::string shown;
    if (IsShotName(file.name))
        shown = "<a href=\"" + url + ".png\"><img class=\"shot\" src=\"" + url + ".png\" alt=\"" + name + "\"></a>";
    else if (EndsWith(file.name, ".mp4"))
        shown = "<video controls preload=\"metadata\" src=\"" + url + "\"></video>";
    else
        shown = "<a download href=\"" + url + "\">download</a>";
    return "<tr><td class=\"name\">" + name + "</td><td>" + FileSizeText(file.bytes) + "</td><td>" +
           DateText(file.modified) + "</td><td>" + shown + "</td></tr>\n";
}

std::string ActionForm(const char* action, const char* label, const std::string& token) {
    return std::string("<form method=\"post\" action=\"/action/") + action +
           "\"><input type=\"hidden\" name=\"token\" value=\"" + token + "\"><button id=\"" + action +
           "\" type=\"submit\">" + label + "</button></form>\n";
}

constexpr const char* kPageStyle =
    "body{font-family:sans-serif;background:#1d2330;color:#e8ecf4;margin:1em}"
    "h1{font-size:1.3em}img.live{max-width:100%;border:1px solid #567}"
    ".top{display:flex;flex-wrap:wrap;gap:1.5em;align-items:flex-start}"
    "table{border-collapse:collapse}td,th{padding:.2em .6em;border-bottom:1px solid #345;text-align:left}"
    "img.shot{max-width:160px}video{max-width:320px}form{display:inline}"
    "button{margin:.4em .4em .4em 0;padding:.4em .8em}dl{display:grid;grid-template-columns:auto auto;"
    "max-width:28em}dt{color:#9ab}a{color:#8cf}";

// Views in the order of ViewMode.
const char* const kViewNames[] = {"normal", "shader", "split screen", "image swap"};

std::mutex g_status_mutex;
WebStatus g_status;

struct QueuedAction {
    WebAction action;
    std::function<void()> done;
};
std::mutex g_action_mutex;
std::deque<QueuedAction> g_actions;

void RunAction(WebAction action) {
    switch (action) {
        case WebAction::kScreenshot: TakeScreenshot(); break;
        case WebAction::kMotionRecord: SetMotionRecord(); break;
    }
}

// The screenshot is written at the end of the next frame routine run, so
// its answer waits for that run.
void RunQueuedActions() {
    std::deque<QueuedAction> actions;
    {
        std::lock_guard<std::mutex> lock(g_action_mutex);
        actions.swap(g_actions);
    }
    for (QueuedAction& queued : actions) {
        RunAction(queued.action);
        if (queued.action == WebAction::kScreenshot) WritePendingShots();
        queued.done();
    }
}

WebStatus TakeStatus() {
    WebStatus status;
    status.view_mode = app.view_mode >= kViewNormal && app.view_mode <= kViewSwap ? kViewNames[app.view_mode] : "";
    status.motion_shot = app.motion_shot_on;
    status.motion_alarm = app.motion_alarm_on;
    status.motion_record = app.motion_record_on;
    status.recording = app.motion_recording || app.record_mode != kRecordOff;
    status.pcd = app.pcd_change;
    status.threshold = app.motion_max;
    status.frame_rate = frame_loop.fps_value;
    status.camera_rate = app.video_frame_rate;
    return status;
}

void HandOverPictures(uint32_t now) {
    const uint8_t* frame = CurrentCameraFrame();
    if (frame && app.video_width > 0 && WebWantsPicture(WebSource::kCamera, now))
        HandOverWebPicture(WebSource::kCamera, app.video_width, app.video_height, frame);
    const bool shared = app.record_mode == kRecordScreen && record.screen_reads != web.screen_reads_seen;
    web.screen_reads_seen = record.screen_reads;
    if (!WebWantsPicture(WebSource::kWindow, now)) return;
    // Screen recording read the finished window this run: the same picture.
    if (shared) return HandOverWebPicture(WebSource::kWindow, record.frame_width, record.frame_height,
                                          record.screen_buffer.data());
    // Otherwise read back only for a client that asked for the composited picture.
    static std::vector<uint8_t> window;
    const int w = app.window_width / 4 * 4, h = app.window_height / 4 * 4;
    if (w <= 0 || h <= 0) return;
    window.resize(size_t(w) * h * 4);
    ReadWindowPixels(w, h, w, window.data());
    HandOverWebPicture(WebSource::kWindow, w, h, window.data());
}

// A motion event starts when the detector fires; a motion recording file
// is finished when motion record goes off or its file changes.
void WatchHookEvents() {
    if (motion.events != web.motion_events_seen) {
        web.motion_events_seen = motion.events;
        RunHook("motion event hook", web_settings.hook_motion_event, "");
    }
    const std::string current = app.motion_record_on ? NativePath(record.record_file_name) : "";
    if (web.motion_record_was_on && current != web.motion_file && !web.motion_file.empty())
        RunHook("recording hook", web_settings.hook_recording_finished, web.motion_file);
    web.motion_record_was_on = app.motion_record_on;
    web.motion_file = current;
}

// The console command writes WebStatusLine() itself; the menu adds a box.
bool StartServer(bool box) {
    std::string problem = WebStartProblem(web_settings);
    if (problem.empty() && StartWebServer(web_settings, &problem)) {
        web.running = true;
        web.problem.clear();
        std::fprintf(stderr, "web: %s\n", WebStatusLine().c_str());
        return true;
    }
    web.problem = problem;
    const std::string line = "web: " + WebStatusLine();
    std::fprintf(stderr, "%s\n", line.c_str());
    if (box) ShowMessageBox(line.c_str(), "Error", MsgIcon::Error);
    return false;
}

}  // namespace

void LoadWebSettings() { ForEachWebSetting(WebLoader{}); }

bool SaveWebSettings() {
    bool failed = false;
    ForEachWebSetting(WebSaver{&failed});
    return !failed;
}

WebRequest ParseWebRequest(const std::string& method, const std::string& path, const std::string& query) {
    WebRequest request;
    const bool get = method == "GET" || method == "HEAD";
    const bool post = method == "POST";
    request.source = query == "source=window" ? WebSource::kWindow : WebSource::kCamera;
    auto route = [&](WebRoute r, bool allowed) { request.route = allowed ? r : WebRoute::kWrongMethod; };
    if (path == "/" || path == "/index.html") {
        route(WebRoute::kPage, get);
    } else if (path == "/stream.mjpg" || path == "/snapshot.jpg") {
        // Pictures wait for the encoder: a HEAD would wait for nothing.
        route(path == "/stream.mjpg" ? WebRoute::kStream : WebRoute::kSnapshot, method == "GET");
    } else if (path == "/action/screenshot" || path == "/action/motionrecord") {
        request.action = path == "/action/screenshot" ? WebAction::kScreenshot : WebAction::kMotionRecord;
        route(WebRoute::kAction, post);
    } else if (path.rfind("/capture/", 0) == 0) {
        std::string name = path.substr(std::strlen("/capture/"));
        const bool png = EndsWith(name, ".png");
        if (png) name.resize(name.size() - std::strlen(".png"));
        if (!IsServableName(name) || (png && !IsShotName(name))) return request;
        request.file = name;
        route(png ? WebRoute::kShotAsPng : WebRoute::kFile, get);
    }
    return request;
}

bool IsServableName(const std::string& name) {
    // Lumora's names hold digits, '_' and one '.': anything else, '%' and
    // '/' included, is no name of ours.
    for (char c : name)
        if (!g_ascii_isalnum(c) && c != '_' && c != '.') return false;
    return IsLumoraFileName(name);
}

bool IsShotName(const std::string& name) { return EndsWith(name, ".bmp"); }

bool InsideFolder(const std::string& real_folder, const std::string& real_file) {
    if (real_folder.empty() || real_file.size() <= real_folder.size() + 1) return false;
    return real_file.compare(0, real_folder.size(), real_folder) == 0 && real_file[real_folder.size()] == '/' &&
           real_file.find('/', real_folder.size() + 1) == std::string::npos;
}

const char* CaptureContentType(const std::string& name) {
    if (EndsWith(name, ".mp4")) return "video/mp4";
    if (EndsWith(name, ".bmp")) return "image/bmp";
    return "video/x-msvideo";
}

std::string MakeWebToken() { return RandomHex(kTokenBytes); }

bool TokensMatch(const std::string& expected, const std::string& given) {
    if (expected.empty() || expected.size() != given.size()) return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        difference |= static_cast<unsigned char>(expected[i] ^ given[i]);
    return difference == 0;
}

bool AdmitWebClient(WebClientCount& count, int limit) {
    if (count.active >= std::max(1, limit)) return false;
    ++count.active;
    return true;
}

void ReleaseWebClient(WebClientCount& count) {
    if (count.active > 0) --count.active;
}

ByteRange ParseByteRange(const std::string& header, uint64_t size) {
    ByteRange range;
    if (header.rfind("bytes=", 0) != 0 || header.find(',') != std::string::npos) return range;
    const std::string bounds = header.substr(6);
    const size_t dash = bounds.find('-');
    if (dash == std::string::npos) return range;
    const std::string a = bounds.substr(0, dash), b = bounds.substr(dash + 1);
    auto number = [](const std::string& text, uint64_t* out) {
        if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
            return false;
        *out = std::stoull(text);
        return true;
    };
    uint64_t first = 0, last = 0;
    if (a.empty()) {  // the last N bytes
        if (!number(b, &last)) return range;
        if (last == 0 || size == 0) return {ByteRange::kUnsatisfiable, 0, 0};
        return {ByteRange::kPart, size - std::min(last, size), size - 1};
    }
    if (!number(a, &first)) return range;
    if (b.empty())
        last = size ? size - 1 : 0;
    else if (!number(b, &last) || last < first)
        return range;
    if (first >= size) return {ByteRange::kUnsatisfiable, 0, 0};
    return {ByteRange::kPart, first, std::min(last, size - 1)};
}

std::string HashWebPassword(const std::string& password, const std::string& salt) {
    const std::string salted = salt + password;
    gchar* hex = g_compute_checksum_for_string(G_CHECKSUM_SHA256, salted.c_str(), salted.size());
    std::string stored = std::string(kHashScheme) + ":" + salt + ":" + hex;
    g_free(hex);
    return stored;
}

std::string NewWebPasswordHash(const std::string& password) {
    return HashWebPassword(password, RandomHex(kSaltBytes));
}

bool WebPasswordMatches(const std::string& stored_hash, const std::string& password) {
    const size_t first = stored_hash.find(':'), second = stored_hash.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) return false;
    if (stored_hash.substr(0, first) != kHashScheme) return false;
    const std::string salt = stored_hash.substr(first + 1, second - first - 1);
    return TokensMatch(stored_hash, HashWebPassword(password, salt));
}

bool BasicAuthorizationMatches(const std::string& header, const std::string& stored_hash) {
    if (header.rfind("Basic ", 0) != 0) return false;
    gsize length = 0;
    guchar* decoded = g_base64_decode(header.c_str() + 6, &length);
    const std::string pair(reinterpret_cast<const char*>(decoded), length);
    g_free(decoded);
    const size_t colon = pair.find(':');
    return colon != std::string::npos && WebPasswordMatches(stored_hash, pair.substr(colon + 1));
}

bool IsLoopbackAddress(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "::1" || address == "localhost";
}

std::string WebStartProblem(const WebSettings& settings) {
    if (settings.port <= 0 || settings.port > 65535)
        return "the port " + std::to_string(settings.port) + " is not a TCP port (1 to 65535)";
    if (!IsLoopbackAddress(settings.address) && !settings.password_hash[0])
        return std::string("listening on ") + settings.address +
               " (not only this computer) needs a password; set one with lumora --set-web-password";
    return "";
}

std::vector<std::string> HookArgv(const std::string& command, const std::string& file) {
    std::vector<std::string> argv;
    gint count = 0;
    gchar** words = nullptr;
    if (command.empty() || !g_shell_parse_argv(command.c_str(), &count, &words, nullptr)) return argv;
    for (gint i = 0; i < count; ++i) argv.emplace_back(words[i]);
    g_strfreev(words);
    if (!file.empty()) argv.push_back(file);
    return argv;
}

void SortNewestFirst(std::vector<WebFileEntry>& files) {
    std::sort(files.begin(), files.end(), [](const WebFileEntry& a, const WebFileEntry& b) {
        return a.modified != b.modified ? a.modified > b.modified : a.name > b.name;
    });
}

std::string WebPageHtml(const WebStatus& status, const std::vector<WebFileEntry>& files, const std::string& token) {
    char state[512];
    std::snprintf(state, sizeof state,
                  "<dl id=\"state\"><dt>View mode</dt><dd>%s</dd><dt>Motion shot</dt><dd>%s</dd>"
                  "<dt>Motion alarm</dt><dd>%s</dd><dt>Motion record</dt><dd id=\"motionrecord-state\">%s</dd>"
                  "<dt>Recording</dt><dd>%s</dd><dt>PCD / threshold</dt><dd>%.3f / %.3f</dd>"
                  "<dt>Frame rate</dt><dd>%.0f fps (camera %.0f fps)</dd></dl>\n",
                  Escape(status.view_mode).c_str(), OnOff(status.motion_shot), OnOff(status.motion_alarm),
                  OnOff(status.motion_record), status.recording ? "yes" : "no", status.pcd, status.threshold,
                  status.frame_rate, status.camera_rate);
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Lumora</title>"
        "<meta name=\"viewport\" content=\"width=device-width\"><style>";
    page += kPageStyle;
    page += "</style></head><body>\n<h1>Lumora</h1>\n";
    page += "<div class=\"top\"><img class=\"live\" id=\"live\" src=\"/stream.mjpg\" alt=\"live picture\">\n<div>";
    page += state;
    page += ActionForm("screenshot", "Take a screenshot", token);
    page += ActionForm("motionrecord", status.motion_record ? "Stop motion record" : "Start motion record", token);
    page += "</div></div>\n";
    page += "<h2>Recordings and screenshots</h2>\n<table id=\"files\"><tr><th>File</th><th>Size</th>"
            "<th>Date</th><th></th></tr>\n";
    for (const WebFileEntry& file : files) page += FileRow(file);
    page += "</table>\n</body></html>\n";
    return page;
}

std::string StreamPartHeader(size_t jpeg_bytes) {
    return std::string("--") + kStreamBoundary + "\r\nContent-Type: image/jpeg\r\nContent-Length: " +
           std::to_string(jpeg_bytes) + "\r\n\r\n";
}

void StreamSize(int width, int height, int stream_width, int* out_width, int* out_height) {
    int w = width, h = height;
    if (stream_width > 0 && width > stream_width) {
        w = stream_width;
        h = static_cast<int>(static_cast<int64_t>(height) * stream_width / width);
    }
    *out_width = std::max(2, w / 2 * 2);
    *out_height = std::max(2, h / 2 * 2);
}

void PublishWebStatus(const WebStatus& status) {
    std::lock_guard<std::mutex> lock(g_status_mutex);
    g_status = status;
}

WebStatus CurrentWebStatus() {
    std::lock_guard<std::mutex> lock(g_status_mutex);
    return g_status;
}

void QueueWebAction(WebAction action, std::function<void()> done) {
    std::lock_guard<std::mutex> lock(g_action_mutex);
    g_actions.push_back({action, std::move(done)});
}

void RunHook(const char* what, const std::string& command, const std::string& file) {
    if (command.empty()) return;
    const std::vector<std::string> words = HookArgv(command, file);
    if (words.empty()) {
        std::fprintf(stderr, "web: %s \"%s\" cannot be read as a command\n", what, command.c_str());
        return;
    }
    std::vector<gchar*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<gchar*>(word.c_str()));
    argv.push_back(nullptr);
    GError* error = nullptr;
    const GSpawnFlags flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL);
    // The child is reaped by GLib's child watch only with a main loop; with
    // none on this thread, the default SIGCHLD handling reaps it.
    if (!g_spawn_async(nullptr, argv.data(), nullptr, flags, nullptr, nullptr, nullptr, &error)) {
        std::fprintf(stderr, "web: %s %s failed: %s\n", what, words[0].c_str(), error->message);
        g_error_free(error);
    }
}

int SetWebPasswordFromInput() {
    LoadWebSettings();  // the other settings of the section stay as they are
    const bool terminal = isatty(STDIN_FILENO);
    termios saved {};
    if (terminal) {
        std::fputs("Web view password (empty: none): ", stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    char line[kWebTextLength] = "";
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    std::string password = read ? line : "";
    while (!password.empty() && (password.back() == '\n' || password.back() == '\r')) password.pop_back();
    const std::string hash = password.empty() ? "" : NewWebPasswordHash(password);
    std::snprintf(web_settings.password_hash, sizeof web_settings.password_hash, "%s", hash.c_str());
    if (!SaveWebSettings()) return 1;
    std::printf(password.empty() ? "lumora: web view password removed\n" : "lumora: web view password set\n");
    return 0;
}

void SwitchWebServer(bool box) {
    if (web.running) {
        StopWeb();
        web_settings.on = 0;
        return;
    }
    web_settings.on = StartServer(box) ? 1 : 0;
}

void StartWebAtLaunch() {
    web.motion_events_seen = motion.events;
    if (!web_settings.on) return;
    web_settings.on = StartServer(false) ? 1 : 0;
    ConsolePrint(("web: " + WebStatusLine()).c_str());
}

void StopWeb() {
    if (!web.running) return;
    StopWebServer();
    // Their requests went with the server.
    std::lock_guard<std::mutex> lock(g_action_mutex);
    g_actions.clear();
    web.running = false;
}

std::string WebStatusLine() {
    if (!web.running) return web.problem.empty() ? "off" : "not started: " + web.problem;
    return std::string("http://") + web_settings.address + ":" + std::to_string(web_settings.port) + "/";
}

bool WebWaiting(uint32_t now_ms) {
    if (!web.running) return false;
    {
        std::lock_guard<std::mutex> lock(g_action_mutex);
        if (!g_actions.empty()) return true;
    }
    return WebWantsPicture(WebSource::kCamera, now_ms) || WebWantsPicture(WebSource::kWindow, now_ms);
}

void WebFrame() {
    WatchHookEvents();
    if (!web.running) return;
    RunQueuedActions();
    PublishWebStatus(TakeStatus());
    HandOverPictures(GetTickCount());
}
