// Stand-in for the "Video Compression" dialog (platform/encoder_chooser_gtk.cpp):
// unit tests have no display, as a run without one; they answer through
// SetEncoderChooser instead.
#include "platform/encoder_chooser.h"
#include "support/fake_log.h"

EncoderDialogAnswer RunEncoderDialog(const std::vector<EncoderOption>&, EncoderChoice*) {
    LogFakeCall("RunEncoderDialog");
    return EncoderDialogAnswer::kUnavailable;
}
