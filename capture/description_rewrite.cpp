#include "capture/description_rewrite.h"

#include <glib.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr size_t kNone = std::string::npos;
constexpr const char kDefaultIndent[] = "  ";

bool StartsAt(const std::string& text, size_t at, const char* prefix) {
    return text.compare(at, std::strlen(prefix), prefix) == 0;
}

// Just past a declaration such as <!DOCTYPE ...>, whose brackets nest as
// the parser counts them.
size_t DeclarationEnd(const std::string& text, size_t at) {
    int depth = 0;
    for (size_t i = at; i < text.size(); ++i) {
        depth += text[i] == '<' ? 1 : text[i] == '>' ? -1 : 0;
        if (depth == 0) return i + 1;
    }
    return kNone;
}

// Past what may stand between elements: white space (or whatever text the
// parser let pass), comments, processing instructions, a doctype.  The
// start of the next tag; kNone at the end.
size_t SkipBetweenElements(const std::string& text, size_t at) {
    while (at < text.size()) {
        if (text[at] != '<') {
            ++at;
            continue;
        }
        if (StartsAt(text, at, "<!") && !StartsAt(text, at, "<!--")) {
            at = DeclarationEnd(text, at);
            continue;
        }
        const char* close = StartsAt(text, at, "<!--") ? "-->" : StartsAt(text, at, "<?") ? "?>" : nullptr;
        if (!close) return at;
        const size_t end = text.find(close, at);
        if (end == kNone) return kNone;
        at = end + std::strlen(close);
    }
    return kNone;
}

// Just past the '>' of the tag that starts at `at`; a '>' inside a quoted
// attribute value does not end it.
size_t TagEnd(const std::string& text, size_t at) {
    char quote = 0;
    for (size_t i = at; i < text.size(); ++i) {
        if (quote) {
            if (text[i] == quote) quote = 0;
        } else if (text[i] == '"' || text[i] == '\'') {
            quote = text[i];
        } else if (text[i] == '>') {
            return i + 1;
        }
    }
    return kNone;
}

bool SelfClosing(const std::string& text, size_t tag_end) { return text[tag_end - 2] == '/'; }

// Where the parts of a file that parsed stand in its text.
struct Layout {
    size_t content = kNone;  // just past <capture>
    std::vector<std::pair<size_t, size_t>> sources;  // each <source> element, begin and end
};

// Just past the <source> element that starts at `at`, its end tag included.
size_t SourceEnd(const std::string& text, size_t at) {
    const size_t end = TagEnd(text, at);
    if (end == kNone || SelfClosing(text, end)) return end;
    const size_t close = text.find("</source", end);
    return close == kNone ? kNone : TagEnd(text, close);
}

// Only for a text that ParseDeviceDescription accepted: its one element
// is <capture>, holding <source> elements and nothing else but space and
// comments.
bool ReadLayout(const std::string& text, Layout* layout) {
    size_t at = SkipBetweenElements(text, 0);
    if (at == kNone || !StartsAt(text, at, "<capture")) return false;
    at = TagEnd(text, at);
    if (at == kNone || SelfClosing(text, at)) return false;
    layout->content = at;
    for (;;) {
        at = SkipBetweenElements(text, at);
        if (at == kNone) return false;
        if (StartsAt(text, at, "</capture")) return true;
        if (!StartsAt(text, at, "<source")) return false;
        const size_t end = SourceEnd(text, at);
        if (end == kNone) return false;
        layout->sources.emplace_back(at, end);
        at = end;
    }
}

// The white space before `at` on its line, when nothing else stands there.
std::string IndentBefore(const std::string& text, size_t at) {
    size_t start = at;
    while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t')) --start;
    if (start > 0 && text[start - 1] != '\n') return kDefaultIndent;
    return text.substr(start, at - start);
}

// Removes text[begin, end) and, when it stood alone on its line, the line.
void EraseElement(std::string* text, size_t begin, size_t end) {
    size_t start = begin;
    while (start > 0 && ((*text)[start - 1] == ' ' || (*text)[start - 1] == '\t')) --start;
    if (start > 0 && (*text)[start - 1] == '\n') begin = start - 1;
    text->erase(begin, end - begin);
}

std::string Attribute(const char* name, const std::string& value) {
    gchar* escaped = g_markup_escape_text(value.c_str(), -1);
    std::string text = std::string(" ") + name + "=\"" + escaped + "\"";
    g_free(escaped);
    return text;
}

bool SameSource(const CaptureSourceSpec& a, const CaptureSourceSpec& b) {
    return a.kind == b.kind && a.camera_index == b.camera_index && a.device == b.device &&
           a.width == b.width && a.height == b.height && a.framerate_num == b.framerate_num &&
           a.framerate_den == b.framerate_den && a.format == b.format && a.pipeline == b.pipeline;
}

// The rewritten text reads as `source`, then `kept`: the scanner above and
// the parser saw the same file (a doctype with brackets inside, say, could
// part them).
bool ReadsAs(const std::string& text, const CaptureSourceSpec& source,
             const std::vector<CaptureSourceSpec>& kept) {
    DeviceDescription parsed;
    if (!ParseDeviceDescription(text.data(), text.size(), &parsed, nullptr) ||
        parsed.sources.size() != kept.size() + 1 || !SameSource(parsed.sources[0], source))
        return false;
    return std::equal(kept.begin(), kept.end(), parsed.sources.begin() + 1, SameSource);
}

std::string FreshDescription(const CaptureSourceSpec& source) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!-- Written by Lumora's camera chooser.  Sources are tried in order; see the\n"
           "     README, \"Cameras: the capture description files\". -->\n"
           "<capture>\n" +
           std::string(kDefaultIndent) + CameraSourceElement(source) + "\n</capture>\n";
}

}  // namespace

std::string CameraSourceElement(const CaptureSourceSpec& source) {
    std::string element = "<source";
    if (source.device.empty())
        element += Attribute("camera", std::to_string(source.camera_index));
    else
        element += Attribute("device", source.device);
    if (source.width) element += Attribute("width", std::to_string(source.width));
    if (source.height) element += Attribute("height", std::to_string(source.height));
    if (source.framerate_num) {
        std::string rate = std::to_string(source.framerate_num);
        if (source.framerate_den != 1) rate += "/" + std::to_string(source.framerate_den);
        element += Attribute("framerate", rate);
    }
    if (source.format != CameraFormat::kAny)
        element += Attribute("format", CameraFormatKey(source.format));
    return element + "/>";
}

std::string DescriptionWithFirstSource(const std::string& old_text, const CaptureSourceSpec& source) {
    DeviceDescription old;
    Layout layout;
    // NUL bytes: not a text, whatever the parser made of it.
    if (old_text.find('\0') != kNone ||
        !ParseDeviceDescription(old_text.data(), old_text.size(), &old, nullptr) ||
        !ReadLayout(old_text, &layout) || layout.sources.size() != old.sources.size())
        return FreshDescription(source);
    std::string text = old_text;
    const std::string indent = IndentBefore(text, layout.sources.front().first);
    std::vector<CaptureSourceSpec> kept;
    // From the last, so that the places of those before stay put.
    for (size_t i = old.sources.size(); i-- > 0;) {
        if (!source.device.empty() && old.sources[i].device == source.device)
            EraseElement(&text, layout.sources[i].first, layout.sources[i].second);
        else
            kept.insert(kept.begin(), old.sources[i]);
    }
    text.insert(layout.content, "\n" + indent + CameraSourceElement(source));
    return ReadsAs(text, source, kept) ? text : FreshDescription(source);
}
