#include "platform/fake/TempProgramPaths.h"
#include "platform/qt/LinuxProgramPaths.h"

#include <gtest/gtest.h>

namespace kivrano::platform {
namespace {

using Environment = LinuxProgramPaths::Environment;

TEST(LinuxProgramPaths, ProgramDirectoryChoice) {
    TempProgramPaths portable;  // an executable folder that holds Profiles/
    TempProgramPaths installed;
    std::filesystem::remove(installed.profileDirectory());

    Environment env;
    env.home = "/home/ann";
    env.executableDirectory = installed.programDirectory();
    EXPECT_EQ(LinuxProgramPaths(env).programDirectory(), "/home/ann/.local/share/Kivrano");
    env.xdgDataHome = "/data";
    EXPECT_EQ(LinuxProgramPaths(env).programDirectory(), "/data/Kivrano");
    env.executableDirectory = portable.programDirectory();
    EXPECT_EQ(LinuxProgramPaths(env).programDirectory(), portable.programDirectory());
    env.kivranoHome = "/opt/kivrano/";
    EXPECT_EQ(LinuxProgramPaths(env).programDirectory(), "/opt/kivrano");
    EXPECT_EQ(LinuxProgramPaths(env).profileDirectory(), "/opt/kivrano/Profiles");
}

constexpr const char* kMounts =
    "sysfs /sys sysfs rw,nosuid 0 0\n"
    "proc /proc proc rw 0 0\n"
    "/dev/sda1 / ext4 rw,relatime 0 0\n"
    "tmpfs /run tmpfs rw 0 0\n"
    "/dev/sdb1 /media/ann/USB\\040STICK vfat rw 0 0\n"
    "server:/export /mnt/share nfs4 rw 0 0\n"
    "/dev/sda1 / ext4 rw 0 0\n"  // mounted twice: listed once
    "/dev/sdc1 /run/media/ann/Back\\134up ext4 rw 0 0\n"
    "overlay /mntx overlay rw 0 0\n";

TEST(LinuxProgramPaths, DisksAreRealDevicesAndRemovableMediaInMountOrder) {
    const std::vector<std::filesystem::path> expected{"/", "/media/ann/USB STICK", "/mnt/share",
                                                      "/run/media/ann/Back\\up"};
    EXPECT_EQ(LinuxProgramPaths::diskMountPoints(kMounts), expected);
}

TEST(LinuxProgramPaths, OtherDisksStartWithTheProgramDirectory) {
    Environment env;
    env.kivranoHome = "/opt/k";
    env.mounts = "/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 /media/usb vfat rw 0 0\n";
    const std::vector<std::filesystem::path> expected{
        "/opt/k", "/opt/k/Profiles", "/", "/Profiles", "/media/usb", "/media/usb/Profiles"};
    EXPECT_EQ(LinuxProgramPaths(env).otherDisks(), expected);
}

}  // namespace
}  // namespace kivrano::platform
