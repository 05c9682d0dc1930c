// Studio models: the main file and its companions ("T.mdl" skins, "01.mdl"..
// sequence groups) come from one input, split at kSeparator: main first,
// then the skins, then the groups in order.  A model that loads is then made
// ready and drawn as the program does, through every sequence, skin and body
// choice, against the no-op GL of gl_sink.cpp (which reads all it is given).
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "model/mdl_model.h"

namespace {
constexpr std::string_view kSeparator = "=MDLPART=";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string base = ScratchDir() + "/m";
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::string names[kMaxSequenceGroups + 1];
    names[0] = base + ".mdl";
    names[1] = CompanionName(names[0], "T.mdl");
    for (int i = 1; i < kMaxSequenceGroups; ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%02d.mdl", i);
        names[i + 1] = CompanionName(names[0], suffix);
    }
    // Each part goes to its file; files without a part are removed so that
    // an earlier input's companions never leak into this one.
    for (const std::string& name : names) {
        if (rest.data() == nullptr) {
            std::remove(name.c_str());
            continue;
        }
        const size_t cut = rest.find(kSeparator);
        const std::string_view part = rest.substr(0, cut);
        WriteScratchFile(name, reinterpret_cast<const uint8_t*>(part.data()), part.size());
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + kSeparator.size());
    }

    MdlModel model;
    std::string error;
    if (!model.Load(names[0].c_str(), &error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    model.m_blending[0] = data[size / 2];
    model.m_blending[1] = data[size / 3];
    std::memcpy(model.m_controller, data + size / 4, 4);
    const int sequences = model.SequenceCount();
    for (int s = -1; s <= sequences && s < 64; ++s) {
        model.SelectSequence(s);
        model.m_body = s;
        model.m_skin = s;
        for (float dt : {0.0f, 0.05f, 0.1f, 1e9f}) {
            model.StepAnimation(dt);
            model.Render(s & 1, 0.5f);
        }
    }
    model.DeleteSkinTextures();
    return 0;
}
