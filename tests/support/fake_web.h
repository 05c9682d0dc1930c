// The stand-in of the web server (tests/support/fake_web.cpp).
#pragma once

#include <string>
#include <vector>

#include "web/web.h"

struct FakeWebPicture {
    WebSource source;
    int width, height;
};
struct FakeWeb {
    std::string listen_problem;  // non-empty: the start fails with it
    bool wants[kWebSourceCount] = {};
    int starts = 0, stops = 0, started_port = 0;
    std::vector<FakeWebPicture> handed_over;
};
extern FakeWeb fake_web;
