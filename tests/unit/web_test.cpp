// The web view's rules: what a request may reach, the token, the client
// limit, ranges, the password hash, the start refusal, hooks and the page.
#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

#include "app/app.h"
#include "motion/motion.h"
#include "record/record.h"
#include "support/fake_log.h"
#include "support/fake_web.h"
#include "support/state_guard.h"
#include "support/test_support.h"
#include "web/web.h"

namespace {

constexpr const char* kShot = "09_12_2026_21_00_00.bmp";
constexpr const char* kMotionClip = "09_12_2026_21_00_00_motion_rec_dev1.mp4";

WebRoute RouteOf(const char* method, const std::string& path, const std::string& query = "") {
    return ParseWebRequest(method, path, query).route;
}

TEST(WebTest, OnlyLumorasOwnFilesAreReachable) {
    EXPECT_EQ(RouteOf("GET", "/"), WebRoute::kPage);
    EXPECT_EQ(RouteOf("GET", "/stream.mjpg"), WebRoute::kStream);
    EXPECT_EQ(ParseWebRequest("GET", "/snapshot.jpg", "source=window").source, WebSource::kWindow);
    EXPECT_EQ(ParseWebRequest("GET", "/snapshot.jpg", "").source, WebSource::kCamera);
    EXPECT_EQ(RouteOf("GET", std::string("/capture/") + kShot), WebRoute::kFile);
    EXPECT_EQ(RouteOf("GET", std::string("/capture/") + kShot + ".png"), WebRoute::kShotAsPng);
    EXPECT_EQ(RouteOf("GET", std::string("/capture/") + kMotionClip), WebRoute::kFile);
    EXPECT_EQ(RouteOf("GET", "/capture/09_12_2026_21_00_00_record_dev1_2.avi"), WebRoute::kFile);
    EXPECT_EQ(RouteOf("POST", "/action/screenshot"), WebRoute::kAction);
    EXPECT_EQ(ParseWebRequest("POST", "/action/motionrecord", "").action, WebAction::kMotionRecord);
    EXPECT_EQ(RouteOf("GET", "/action/screenshot"), WebRoute::kWrongMethod);
    EXPECT_EQ(RouteOf("POST", "/"), WebRoute::kWrongMethod);
    EXPECT_EQ(RouteOf("HEAD", "/stream.mjpg"), WebRoute::kWrongMethod);
    EXPECT_EQ(RouteOf("HEAD", "/"), WebRoute::kPage);
    for (const std::string path :
         {"/capture/../../etc/passwd", "/capture/..%2f..%2fetc%2fpasswd", "/capture/%2e%2e/x",
          "/capture/09_12_2026_21_00_00%2ebmp", "/capture/sub/09_12_2026_21_00_00.bmp", "/capture/",
          "/capture/holiday.avi", "/capture/09_12_2026_21_00_00_motion_rec_dev1.mp4.png",
          "/capture/.09_12_2026_21_00_00.bmp", "/etc/passwd", "/capture/09_12_2026_21_00_00.bmp/"})
        EXPECT_EQ(RouteOf("GET", path), WebRoute::kNotFound) << path;

    EXPECT_TRUE(InsideFolder("/w/capture/record", "/w/capture/record/a.avi"));
    EXPECT_FALSE(InsideFolder("/w/capture/record", "/w/capture/recordings/a.avi"));  // a sibling
    EXPECT_FALSE(InsideFolder("/w/capture/record", "/w/capture/record/deeper/a.avi"));
    EXPECT_FALSE(InsideFolder("/w/capture/record", "/etc/passwd"));
    EXPECT_FALSE(InsideFolder("", "/a.avi"));
    EXPECT_STREQ(CaptureContentType(kMotionClip), "video/mp4");
}

TEST(WebTest, TokenClientLimitAndRanges) {
    const std::string token = MakeWebToken(), other = MakeWebToken();
    EXPECT_EQ(token.size(), 32u);
    EXPECT_NE(token, other);
    EXPECT_TRUE(TokensMatch(token, token));
    EXPECT_FALSE(TokensMatch(token, other));
    EXPECT_FALSE(TokensMatch(token, ""));
    EXPECT_FALSE(TokensMatch("", ""));

    WebClientCount count;
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(AdmitWebClient(count, 8));
    EXPECT_FALSE(AdmitWebClient(count, 8));
    ReleaseWebClient(count);
    EXPECT_TRUE(AdmitWebClient(count, 8));
    EXPECT_FALSE(AdmitWebClient(count, 8));

    auto range = [](const char* header, uint64_t size) {
        const ByteRange r = ParseByteRange(header, size);
        return std::to_string(r.kind) + ":" + std::to_string(r.first) + "-" + std::to_string(r.last);
    };
    EXPECT_EQ(range("", 100), "0:0-0");
    EXPECT_EQ(range("bytes=0-9", 100), "1:0-9");
    EXPECT_EQ(range("bytes=90-", 100), "1:90-99");
    EXPECT_EQ(range("bytes=50-500", 100), "1:50-99");
    EXPECT_EQ(range("bytes=-10", 100), "1:90-99");
    EXPECT_EQ(range("bytes=-500", 100), "1:0-99");
    EXPECT_EQ(range("bytes=100-", 100), "2:0-0");
    EXPECT_EQ(range("bytes=0-1,5-6", 100), "0:0-0");  // answered whole
    EXPECT_EQ(range("bytes=9-1", 100), "0:0-0");
    EXPECT_EQ(range("bytes=x-1", 100), "0:0-0");
}

TEST(WebTest, PasswordsAreSaltedHashesAndGuardOtherAddresses) {
    const std::string a = NewWebPasswordHash("open sesame"), b = NewWebPasswordHash("open sesame");
    EXPECT_NE(a, b);  // salts differ
    EXPECT_EQ(a.find("open sesame"), std::string::npos);
    EXPECT_EQ(a.rfind("sha256:", 0), 0u);
    EXPECT_TRUE(WebPasswordMatches(a, "open sesame"));
    EXPECT_TRUE(WebPasswordMatches(b, "open sesame"));
    EXPECT_FALSE(WebPasswordMatches(a, "open sesame "));
    EXPECT_FALSE(WebPasswordMatches("", ""));
    // "anyone:open sesame" in base 64.
    EXPECT_TRUE(BasicAuthorizationMatches("Basic YW55b25lOm9wZW4gc2VzYW1l", a));
    EXPECT_FALSE(BasicAuthorizationMatches("Basic YW55b25lOm9wZW4=", a));
    EXPECT_FALSE(BasicAuthorizationMatches("Bearer x", a));

    WebSettings settings;
    EXPECT_EQ(WebStartProblem(settings), "");
    std::snprintf(settings.address, sizeof settings.address, "0.0.0.0");
    EXPECT_NE(WebStartProblem(settings).find("needs a password"), std::string::npos);
    std::snprintf(settings.password_hash, sizeof settings.password_hash, "%s", a.c_str());
    EXPECT_EQ(WebStartProblem(settings), "");
    settings.port = 70000;
    EXPECT_NE(WebStartProblem(settings).find("not a TCP port"), std::string::npos);
}

// The switch as the console and the menu use it: a refused start names its
// reason and leaves the setting off; a good one runs until switched again.
TEST(WebTest, SwitchRefusesWithoutPasswordAndRunsWithOne) {
    UseFreshConfigHome();
    web = WebState{};
    web_settings = WebSettings{};
    fake_web = FakeWeb{};
    std::snprintf(web_settings.address, sizeof web_settings.address, "192.0.2.1");
    SwitchWebServer(false);
    EXPECT_FALSE(web.running);
    EXPECT_EQ(web_settings.on, 0);
    EXPECT_EQ(fake_web.starts, 0);
    EXPECT_NE(WebStatusLine().find("needs a password"), std::string::npos);

    std::snprintf(web_settings.password_hash, sizeof web_settings.password_hash, "%s",
                  NewWebPasswordHash("pw").c_str());
    SwitchWebServer(false);
    EXPECT_TRUE(web.running);
    EXPECT_EQ(web_settings.on, 1);
    EXPECT_EQ(WebStatusLine(), "http://192.0.2.1:8080/");
    EXPECT_TRUE(SaveWebSettings());
    WebSettings saved = web_settings;
    web_settings = WebSettings{};
    LoadWebSettings();
    EXPECT_STREQ(web_settings.password_hash, saved.password_hash);
    EXPECT_STREQ(web_settings.address, "192.0.2.1");
    EXPECT_EQ(web_settings.on, 1);

    SwitchWebServer(false);
    EXPECT_FALSE(web.running);
    EXPECT_EQ(fake_web.stops, 1);
    EXPECT_EQ(WebStatusLine(), "off");
    web_settings = WebSettings{};
}

// The frame routine's part: the camera frame it holds, the window it read
// back for screen recording (no second read-back), the page's actions run
// here, and the motion event hook started without waiting.
TEST(WebTest, FrameRoutineHandsOverRunsActionsAndStartsHooks) {
    ProgramStateGuard state(ProgramStateGuard::kFresh);
    web = WebState{};
    web.running = true;
    fake_web = FakeWeb{};
    ClearFakeCalls();
    std::vector<uint8_t> frame(8 * 6 * 4, 50);
    app.frame_buffer[0] = frame.data();
    app.video_width = 8;
    app.video_height = 6;
    app.window_width = 16;
    app.window_height = 12;
    fake_web.wants[0] = fake_web.wants[1] = true;
    WebFrame();
    ASSERT_EQ(fake_web.handed_over.size(), 2u);
    EXPECT_EQ(fake_web.handed_over[0].width * 100 + fake_web.handed_over[0].height, 806);
    EXPECT_EQ(fake_web.handed_over[1].source, WebSource::kWindow);
    EXPECT_EQ(FakeCalls().size(), 1u);  // the window read back once
    app.record_mode = kRecordScreen;
    record.screen_buffer.assign(12 * 8 * 4, 0);
    record.frame_width = 12;
    record.frame_height = 8;
    ++record.screen_reads;
    WebFrame();
    EXPECT_EQ(fake_web.handed_over.back().width, 12);
    EXPECT_EQ(FakeCalls().size(), 1u);  // shared: no read-back of its own

    bool done = false;
    QueueWebAction(WebAction::kMotionRecord, [&done] { done = true; });
    WebFrame();
    EXPECT_TRUE(done);

    char folder[] = "/tmp/lumora-web-hook-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string mark = std::string(folder) + "/motion";
    std::snprintf(web_settings.hook_motion_event, sizeof web_settings.hook_motion_event, "touch '%s'", mark.c_str());
    ++motion.events;
    WebFrame();
    for (int i = 0; i < 100 && access(mark.c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(access(mark.c_str(), F_OK), 0);
    unlink(mark.c_str());
    rmdir(folder);
    record = RecordState{};
    web = WebState{};
    web_settings = WebSettings{};
}

TEST(WebTest, HooksSplitWithoutAShellAndThePageListsNewestFirst) {
    EXPECT_EQ(HookArgv("notify-send 'Motion at home'", "/v/a b.avi"),
              (std::vector<std::string>{"notify-send", "Motion at home", "/v/a b.avi"}));
    EXPECT_EQ(HookArgv("echo $HOME; rm -rf x", ""),
              (std::vector<std::string>{"echo", "$HOME;", "rm", "-rf", "x"}));  // no shell expands
    EXPECT_TRUE(HookArgv("unclosed 'quote", "").empty());
    EXPECT_TRUE(HookArgv("", "x").empty());

    std::vector<WebFileEntry> files = {{kShot, 2048, 100},
                                       {kMotionClip, 3 * 1024 * 1024, 300},
                                       {"09_12_2026_21_00_00_record_dev1.avi", 4096, 200}};
    SortNewestFirst(files);
    WebStatus status;
    status.view_mode = "normal";
    status.motion_record = true;
    const std::string page = WebPageHtml(status, files, "0123abcd");
    EXPECT_NE(page.find("<img class=\"live\" id=\"live\" src=\"/stream.mjpg\""), std::string::npos);
    EXPECT_NE(page.find("name=\"token\" value=\"0123abcd\""), std::string::npos);
    EXPECT_NE(page.find("Stop motion record"), std::string::npos);
    EXPECT_NE(page.find(std::string("<video controls preload=\"metadata\" src=\"/capture/") + kMotionClip),
              std::string::npos);
    EXPECT_NE(page.find("<a download href=\"/capture/09_12_2026_21_00_00_record_dev1.avi\""), std::string::npos);
    EXPECT_NE(page.find(std::string("src=\"/capture/") + kShot + ".png\""), std::string::npos);
    EXPECT_NE(page.find("3.0 MiB"), std::string::npos);
    // Newest first: the clip, the AVI, the shot.
    EXPECT_LT(page.find(kMotionClip), page.find("record_dev1.avi"));
    EXPECT_LT(page.find("record_dev1.avi"), page.find(kShot));
    // Works offline: nothing from elsewhere.
    EXPECT_EQ(page.find("http"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);

    int w = 0, h = 0;
    StreamSize(1280, 720, 640, &w, &h);
    EXPECT_EQ(w * 1000 + h, 640360);
    StreamSize(320, 241, 640, &w, &h);  // never wider, even sizes
    EXPECT_EQ(w * 1000 + h, 320240);
}

}  // namespace
