// Stand-in for the web view's server (web/web_soup.cpp): it "listens"
// unless told not to, and keeps the last picture handed over.
#include "support/fake_web.h"

FakeWeb fake_web;

bool StartWebServer(const WebSettings& settings, std::string* problem) {
    ++fake_web.starts;
    fake_web.started_port = settings.port;
    if (!fake_web.listen_problem.empty()) *problem = fake_web.listen_problem;
    return fake_web.listen_problem.empty();
}

void StopWebServer() { ++fake_web.stops; }

bool WebWantsPicture(WebSource source, uint32_t) { return fake_web.wants[static_cast<int>(source)]; }

void HandOverWebPicture(WebSource source, int width, int height, const uint8_t*) {
    fake_web.handed_over.push_back({source, width, height});
}
