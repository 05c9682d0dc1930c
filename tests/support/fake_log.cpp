#include "support/fake_log.h"

std::vector<std::string>& FakeCalls() {
    static std::vector<std::string> calls;
    return calls;
}
