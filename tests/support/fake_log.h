// The calls the edge stand-ins received, in order, as short texts.
#pragma once

#include <string>
#include <vector>

std::vector<std::string>& FakeCalls();
inline void LogFakeCall(const std::string& call) { FakeCalls().push_back(call); }
inline void ClearFakeCalls() { FakeCalls().clear(); }
