// The web view: an HTTP server inside Lumora, off by default.  It serves
// one page (the live picture, the state, two action buttons and the files
// of the capture folders), the live picture as an MJPEG stream and as one
// JPEG, and Lumora's own files in the capture folders.  Event hooks run a
// user's command when a motion event starts and when a motion recording
// file is finished.
//
// Threads: web_soup.cpp runs the server on a thread of its own with its own
// GMainContext (the window thread runs freeglut's loop, never GLib's) and a
// JPEG encoder thread beside it.  The window thread only calls WebFrame once
// per frame routine run: it hands over a copy of a picture it already has
// (the camera frame, or the window read back when a client asked for the
// composited picture), runs the actions the page asked for (through the
// same operations as the console and the menus) and starts the hooks.
//
// Security: actions are POSTs carrying the per-run token embedded in the
// page; files are served only when named by Lumora's own patterns and found,
// after following links, inside their capture folder; at most
// max_clients requests are served at once; a stalled stream client holds at
// most one frame.  Listening on anything but a loopback address needs a
// password (HTTP basic authentication, stored as a salted SHA-256 hash).
//
// This file: the settings, the plain rules (routing, names, token, client
// count, ranges, password hash, page text) and the window thread's part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr int kWebTextLength = 200;

// The settings of section [web] (saved at exit).
struct WebSettings {
    int32_t on = 0;
    int32_t port = 8080;
    char address[kWebTextLength] = "127.0.0.1";
    char password_hash[kWebTextLength] = "";  // "sha256:SALT:HEX", empty: none
    int32_t max_clients = 8;
    int32_t stream_width = 640;    // 0: the picture's own width; never wider
    int32_t stream_quality = 80;   // JPEG quality, 1..100
    char hook_motion_event[kWebTextLength] = "";        // command; argv split, no shell
    char hook_recording_finished[kWebTextLength] = "";  // gets the file name last
};
extern WebSettings web_settings;

void LoadWebSettings();
bool SaveWebSettings();

// The pictures a client may ask for: the camera frame or the whole window.
enum class WebSource : int { kCamera, kWindow };
constexpr int kWebSourceCount = 2;

// Requests as the server sorts them.
enum class WebRoute {
    kPage, kStream, kSnapshot, kFile, kShotAsPng, kAction, kNotFound, kWrongMethod,
};
enum class WebAction { kScreenshot, kMotionRecord };
struct WebRequest {
    WebRoute route = WebRoute::kNotFound;
    WebSource source = WebSource::kCamera;
    WebAction action = WebAction::kScreenshot;
    std::string file;  // kFile: the file name; kShotAsPng: the BMP's name
};
// `path` is the raw request path (still %-encoded), `query` the raw query
// or empty.
WebRequest ParseWebRequest(const std::string& method, const std::string& path,
                           const std::string& query);

// A name the server may hand out: one of Lumora's capture names (the
// storage guard's matcher, and the same names as .mp4), nothing encoded.
bool IsServableName(const std::string& name);
// Whether a capture file name is a shot (else a recording).
bool IsShotName(const std::string& name);
// Whether `real_file` (both resolved, no links) lies inside `real_folder`.
bool InsideFolder(const std::string& real_folder, const std::string& real_file);
// The content type the server sends a capture file with.
const char* CaptureContentType(const std::string& name);

// The per-run token of the actions: 32 hex digits from the system's random source.
std::string MakeWebToken();
// Compares in time that does not depend on where the texts differ.
bool TokensMatch(const std::string& expected, const std::string& given);

// The count of requests being served.  Admit refuses past `limit`.
struct WebClientCount {
    int active = 0;
};
bool AdmitWebClient(WebClientCount& count, int limit);
void ReleaseWebClient(WebClientCount& count);

// A Range header ("bytes=A-B", "bytes=A-", "bytes=-N") over a file of
// `size` bytes.  Multiple ranges are answered whole.
struct ByteRange {
    enum Kind { kWhole, kPart, kUnsatisfiable } kind = kWhole;
    uint64_t first = 0, last = 0;  // kPart: inclusive
};
ByteRange ParseByteRange(const std::string& header, uint64_t size);

// Password hashes: "sha256:SALT:HEX" with HEX = SHA-256(SALT + password).
std::string HashWebPassword(const std::string& password, const std::string& salt);
std::string NewWebPasswordHash(const std::string& password);  // random salt
bool WebPasswordMatches(const std::string& stored_hash, const std::string& password);
// An "Authorization: Basic ..." header against the stored hash (any user name).
bool BasicAuthorizationMatches(const std::string& header, const std::string& stored_hash);

bool IsLoopbackAddress(const std::string& address);
// Why the server must not start with these settings, or "".
std::string WebStartProblem(const WebSettings& settings);

// A hook's argv: `command` split as a shell would split words (no shell
// runs it), then `file` when not empty.  Empty on a malformed command.
std::vector<std::string> HookArgv(const std::string& command, const std::string& file);

// The state the page shows, taken on the window thread.
struct WebStatus {
    std::string view_mode;
    bool motion_shot = false, motion_alarm = false, motion_record = false;
    bool recording = false;
    float pcd = 0, threshold = 0;
    double frame_rate = 0;   // the window's pictures a second
    double camera_rate = 0;  // the camera's frames a second
};
struct WebFileEntry {
    std::string name;
    uint64_t bytes = 0;
    int64_t modified = 0;
};
// Newest first; equal times by name.
void SortNewestFirst(std::vector<WebFileEntry>& files);
std::string WebPageHtml(const WebStatus& status, const std::vector<WebFileEntry>& files,
                        const std::string& token);
// The header of one part of the MJPEG stream.
constexpr const char* kStreamBoundary = "lumoraframe";
std::string StreamPartHeader(size_t jpeg_bytes);
// The stream's scaled size for a picture of width x height: never wider
// than `stream_width` (0: unscaled), even sizes, the shape kept.
void StreamSize(int width, int height, int stream_width, int* out_width, int* out_height);

// Owned by web.cpp; the window thread alone touches it (the server side has
// its own state in web_soup.cpp).
struct WebState {
    bool running = false;
    uint32_t last_handover_ms[kWebSourceCount] = {};
    uint32_t motion_events_seen = 0;
    uint64_t screen_reads_seen = 0;  // record.screen_reads at the last run
    bool motion_record_was_on = false;
    std::string motion_file;  // the motion recording being written
    std::string problem;      // why the last start was refused
};
extern WebState web;

// Switches the server (the menu entry and the console command).  A refused
// start says why on standard error (and WebStatusLine says it), and `box`
// shows it in an "Error" box too; the setting "on" follows.
void SwitchWebServer(bool box);
// Starts the server at start-up when the settings say so; stops it at exit.
void StartWebAtLaunch();
void StopWeb();
// The console's line on the server: its address, "off", or why it did not start.
std::string WebStatusLine();

// Once per frame routine run, on the window thread, before the buffer swap.
void WebFrame();
// Whether the server waits for a drawing run: an action the page asked
// for, or a client due a picture (the frame loop draws nothing while
// nothing changes, and a lost camera brings no frames).
bool WebWaiting(uint32_t now_ms);

// The state the page shows: WebFrame publishes it, the server reads it.
void PublishWebStatus(const WebStatus& status);
WebStatus CurrentWebStatus();

// Actions the page asked for: the server thread queues them, WebFrame runs
// them on the window thread and then calls `done` (on the window thread).
void QueueWebAction(WebAction action, std::function<void()> done);

// lumora --set-web-password: one line from standard input (not echoed on a
// terminal) becomes the stored hash; an empty line removes the password.
// Returns the exit status.
int SetWebPasswordFromInput();

// Runs a hook without a shell and without waiting; a failure to start is
// one line on standard error.
void RunHook(const char* what, const std::string& command, const std::string& file);

// ---- web_soup.cpp: the server, the encoder, PNG shots ----
// Starts listening; false with the reason in *problem.
bool StartWebServer(const WebSettings& settings, std::string* problem);
void StopWebServer();
// Which pictures clients wait for now (stream clients at the stream's
// pace, snapshot requests); the window thread hands those over.
bool WebWantsPicture(WebSource source, uint32_t now_ms);
// Copies a BGRA picture (bottom row first) for the encoder; returns at once.
void HandOverWebPicture(WebSource source, int width, int height, const uint8_t* pixels);
