// Knowing a camera again by its device properties, without GStreamer.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "capture/camera_identity.h"

namespace {

CameraIdentity Camera(const std::string& name,
                      const std::vector<std::pair<std::string, std::string>>& properties,
                      const std::string& kind = "GstV4l2Device") {
    CameraIdentity identity;
    identity.display_name = name;
    identity.kind = kind;
    for (const auto& [key, value] : properties) AddCameraProperty(&identity, key, value);
    return identity;
}

TEST(CameraIdentityTest, TheFirstTraitBothHaveDecides) {
    const CameraIdentity webcam = Camera("HD Webcam", {{"device.serial", "Acme_HD_0001"},
                                                       {"v4l2.device.bus_info", "usb-1"},
                                                       {"device.path", "/dev/video0"}});
    // Moved to another port, under another node: the serial number tells.
    EXPECT_TRUE(SameCamera(webcam, Camera("HD Webcam", {{"device.serial", "Acme_HD_0001"},
                                                        {"v4l2.device.bus_info", "usb-2"}})));
    EXPECT_FALSE(SameCamera(webcam, Camera("HD Webcam", {{"device.serial", "Acme_HD_0002"},
                                                         {"v4l2.device.bus_info", "usb-1"}})));
    // Listed by a probe without udev, no serial number: the port decides,
    // also under PipeWire's name for it.
    const CameraIdentity probed = Camera("HD Webcam", {{"api.v4l2.cap.bus_info", "usb-1"}},
                                         "GstPipeWireDevice");
    EXPECT_TRUE(SameCamera(probed, webcam));
    EXPECT_FALSE(SameCamera(probed, Camera("HD Webcam", {{"v4l2.device.bus_info", "usb-3"}})));
    // Numbers handed out per appearance are no identity: the name and the
    // kind of device are all there is.
    const CameraIdentity bare = Camera("Cam", {{"object.serial", "57"}}, "GstLibcameraDevice");
    EXPECT_TRUE(SameCamera(bare, Camera("Cam", {{"object.serial", "98"}}, "GstLibcameraDevice")));
    EXPECT_FALSE(SameCamera(bare, Camera("Cam", {}, "GstPipeWireDevice")));
    EXPECT_FALSE(SameCamera(Camera("", {}), Camera("", {}))) << "nothing known is nobody";

    EXPECT_EQ(DescribeCameraIdentity(webcam), "serial number Acme_HD_0001, port usb-1");
    EXPECT_EQ(DescribeCameraIdentity(bare), "\"Cam\"");
}

// Two cameras of one model whose "serial numbers" are the model's name:
// the one in the lost camera's port is taken, wherever it is listed.
TEST(CameraIdentityTest, FindTakesTheCameraThatAgreesMost) {
    const CameraIdentity lost = Camera("Cam", {{"device.serial", "Acme_Cam"},
                                               {"v4l2.device.bus_info", "usb-2"}});
    const CameraIdentity other = Camera("Cam", {{"device.serial", "Acme_Cam"},
                                                {"v4l2.device.bus_info", "usb-1"}});
    const CameraIdentity stranger = Camera("Cam", {{"device.serial", "Zeta_Cam"}});
    EXPECT_EQ(FindCameraIn(lost, {stranger, other, lost}), 2);
    EXPECT_EQ(FindCameraIn(lost, {lost, other}), 0);
    EXPECT_EQ(FindCameraIn(lost, {stranger}), -1);
    EXPECT_EQ(FindCameraIn(lost, {}), -1);
}

}  // namespace
