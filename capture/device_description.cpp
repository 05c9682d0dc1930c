#include "capture/device_description.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/files.h"

namespace {

struct ParseState {
    DeviceDescription* out;
    int depth = 0;  // 1 inside <capture>, 2 inside <source>
    bool seen_root = false;
};

GQuark DescriptionErrorQuark() { return g_quark_from_static_string("lumora-device-description"); }

// The parse context prefixes the line and column (G_MARKUP_PREFIX_ERROR_POSITION).
void SetError(GMarkupParseContext*, GError** error, const std::string& message) {
    g_set_error_literal(error, DescriptionErrorQuark(), 0, message.c_str());
}

bool ParseInt(const char* text, int min, int max, int* value) {
    gint64 parsed = 0;
    if (!g_ascii_string_to_signed(text, 10, min, max, &parsed, nullptr)) return false;
    *value = static_cast<int>(parsed);
    return true;
}

// "30" or "30000/1001".
bool ParseFramerate(const char* text, int* num, int* den) {
    const char* slash = std::strchr(text, '/');
    if (!slash) {
        *den = 1;
        return ParseInt(text, 1, 1000, num);
    }
    std::string numerator(text, slash - text);
    return ParseInt(numerator.c_str(), 1, 1000000, num) && ParseInt(slash + 1, 1, 1000000, den);
}

bool IsBlank(const char* text) {
    for (; *text; ++text)
        if (!g_ascii_isspace(*text)) return false;
    return true;
}

// Which kinds of attribute a <source> has shown so far.
struct SourceAttributes {
    bool camera = false, device = false, pipeline = false, camera_option = false;
};

enum class AttributeRead { kOk, kUnknown, kBadValue };

AttributeRead Checked(bool ok) { return ok ? AttributeRead::kOk : AttributeRead::kBadValue; }

// Takes one attribute of a <source> into `source`.
AttributeRead ReadAttribute(const char* name, const char* value, CaptureSourceSpec* source,
                            SourceAttributes* seen) {
    if (std::strcmp(name, "camera") == 0) {
        seen->camera = true;
        return Checked(ParseInt(value, 0, 63, &source->camera_index));
    }
    if (std::strcmp(name, "device") == 0) {
        seen->device = true;
        source->device = value;
        return Checked(!IsBlank(value));
    }
    if (std::strcmp(name, "pipeline") == 0) {
        seen->pipeline = true;
        source->pipeline = value;
        return Checked(!IsBlank(value));
    }
    seen->camera_option = true;  // or unknown, which ends the parse
    if (std::strcmp(name, "width") == 0) return Checked(ParseInt(value, 1, 16384, &source->width));
    if (std::strcmp(name, "height") == 0) return Checked(ParseInt(value, 1, 16384, &source->height));
    if (std::strcmp(name, "framerate") == 0)
        return Checked(ParseFramerate(value, &source->framerate_num, &source->framerate_den));
    if (std::strcmp(name, "format") == 0) return Checked(ParseCameraFormat(value, &source->format));
    return AttributeRead::kUnknown;
}

// What a bad value should have been, where a number does not say it all.
std::string ValueHint(const char* name) {
    return std::strcmp(name, "format") == 0 ? " (raw, mjpeg or h264)" : "";
}

// Attribute i repeats one before it.
bool Repeated(const gchar** names, int i) {
    for (int j = 0; j < i; ++j)
        if (std::strcmp(names[i], names[j]) == 0) return true;
    return false;
}

bool ReadSource(GMarkupParseContext* context, const gchar** names, const gchar** values,
                CaptureSourceSpec* source, GError** error) {
    SourceAttributes seen;
    for (int i = 0; names[i]; ++i) {
        if (Repeated(names, i)) {
            SetError(context, error, std::string("attribute '") + names[i] + "' given twice");
            return false;
        }
        switch (ReadAttribute(names[i], values[i], source, &seen)) {
            case AttributeRead::kOk:
                break;
            case AttributeRead::kUnknown:
                SetError(context, error, std::string("unknown attribute '") + names[i] + "'");
                return false;
            case AttributeRead::kBadValue:
                SetError(context, error,
                         std::string("bad value '") + values[i] + "' for '" + names[i] + "'" +
                             ValueHint(names[i]));
                return false;
        }
    }
    if (int{seen.camera} + int{seen.device} + int{seen.pipeline} != 1) {
        SetError(context, error,
                 "a <source> needs exactly one of camera=\"N\", device=\"...\" or pipeline=\"...\"");
        return false;
    }
    if (seen.pipeline && seen.camera_option) {
        SetError(context, error,
                 "width, height, framerate and format apply to cameras only; "
                 "put caps into the pipeline instead");
        return false;
    }
    source->kind = seen.pipeline ? CaptureSourceSpec::kPipeline : CaptureSourceSpec::kCamera;
    return true;
}

void OnStartElement(GMarkupParseContext* context, const gchar* element, const gchar** names,
                    const gchar** values, gpointer user_data, GError** error) {
    auto* state = static_cast<ParseState*>(user_data);
    if (state->depth == 0) {
        if (std::strcmp(element, "capture") != 0 || state->seen_root) {
            SetError(context, error, std::string("expected <capture>, found <") + element + ">");
            return;
        }
        if (names[0]) {
            SetError(context, error, "<capture> takes no attributes");
            return;
        }
        state->seen_root = true;
    } else if (state->depth == 1 && std::strcmp(element, "source") == 0) {
        CaptureSourceSpec source;
        if (!ReadSource(context, names, values, &source, error)) return;
        state->out->sources.push_back(std::move(source));
    } else {
        SetError(context, error, std::string("unexpected <") + element + ">");
        return;
    }
    ++state->depth;
}

void OnEndElement(GMarkupParseContext*, const gchar*, gpointer user_data, GError**) {
    --static_cast<ParseState*>(user_data)->depth;
}

void OnText(GMarkupParseContext* context, const gchar* text, gsize length, gpointer,
            GError** error) {
    for (gsize i = 0; i < length; ++i)
        if (!g_ascii_isspace(text[i])) {
            SetError(context, error, "unexpected text");
            return;
        }
}

}  // namespace

bool ParseDeviceDescription(const char* text, size_t length, DeviceDescription* out,
                            std::string* error) {
    DeviceDescription parsed;
    ParseState state{&parsed};
    GMarkupParser parser = {OnStartElement, OnEndElement, OnText, nullptr, nullptr};
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, G_MARKUP_PREFIX_ERROR_POSITION, &state, nullptr);
    GError* gerror = nullptr;
    bool ok = g_markup_parse_context_parse(context, text, static_cast<gssize>(length), &gerror) &&
              g_markup_parse_context_end_parse(context, &gerror);
    g_markup_parse_context_free(context);
    if (!ok) {
        if (error) *error = gerror ? gerror->message : "malformed XML";
        g_clear_error(&gerror);
        return false;
    }
    if (!state.seen_root) {
        if (error) *error = "no <capture> element";
        return false;
    }
    if (parsed.sources.empty()) {
        if (error) *error = "no <source> listed";
        return false;
    }
    *out = std::move(parsed);
    return true;
}

bool LoadDeviceDescription(const char* path, DeviceDescription* out, std::string* error) {
    std::vector<uint8_t> bytes;
    FileReadError failure;
    if (!ReadWholeFile(path, &bytes, &failure)) {
        if (error) {
            *error = failure.text;
            // Started in another folder, a relative name misses its file.
            if (!g_path_is_absolute(path)) {
                gchar* folder = g_get_current_dir();
                *error += std::string(" (working folder ") + folder + ")";
                g_free(folder);
            }
        }
        return false;
    }
    const char* text = bytes.empty() ? "" : reinterpret_cast<const char*>(bytes.data());
    return ParseDeviceDescription(text, bytes.size(), out, error);
}

std::string StandInNotice(const DeviceDescription& description, size_t started) {
    const std::vector<CaptureSourceSpec>& sources = description.sources;
    if (started >= sources.size() || sources[started].kind != CaptureSourceSpec::kPipeline)
        return {};
    bool camera_passed_over = std::any_of(sources.begin(), sources.begin() + started,
                                          [](const CaptureSourceSpec& source) {
                                              return source.kind == CaptureSourceSpec::kCamera;
                                          });
    if (!camera_passed_over) return {};
    const std::string& pipeline = sources[started].pipeline;
    size_t first = pipeline.find_first_not_of(" \t\n\r");
    size_t end = pipeline.find_first_of(" \t\n\r!", first);
    if (pipeline.compare(first, end - first, "videotestsrc") == 0)
        return "No camera available: showing a test pattern";
    return "No camera available: showing source " + std::to_string(started + 1);
}

ModeAsk CameraModeAsk(const CaptureSourceSpec& source) {
    ModeAsk ask;
    ask.format = source.format;
    ask.width = source.width;
    ask.height = source.height;
    ask.rate = FrameRate{source.framerate_num, source.framerate_den};
    return ask;
}

std::string CameraCapsText(const CaptureSourceSpec& source) {
    const ModeAsk ask = CameraModeAsk(source);
    if (ask.width == 0 && ask.height == 0 && ask.rate.num == 0 && ask.format == CameraFormat::kAny)
        return {};
    return ModeChoiceCaps(ChoiceWithoutModes(ask));
}

bool FitFrameSize(int* width, int* height, int limit) {
    if (*width <= limit && *height <= limit) return false;
    double scale = std::min(static_cast<double>(limit) / *width,
                            static_cast<double>(limit) / *height);
    *width = std::max(1, std::min(limit, static_cast<int>(std::lround(*width * scale))));
    *height = std::max(1, std::min(limit, static_cast<int>(std::lround(*height * scale))));
    return true;
}
