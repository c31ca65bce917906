// Saving the half-blend table when the disk, the folder or the rename lets
// it down: the run time's file error number, and the table file that was
// there before left byte for byte as it was.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "common/FaultPoint.h"
#include "tests/draw_palette/PaletteTestUtil.h"

namespace vexo::paltest {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kDiskFull = 61, kPathAccess = 75, kPathNotFound = 76;

class TableFaults : public Draw8 {
protected:
    void SetUp() override {
        Draw8::SetUp();
        Open();
        Entries a(256), b(256);
        for (int i = 0; i < 256; ++i) a[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
        for (int i = 0; i < 256; ++i) b[size_t(i)] = {uint8_t(i * 3), uint8_t(i), uint8_t(200), 0};
        screen = Palette(a);
        source = Palette(b);
        ASSERT_EQ(dd.DDPrimarySetPalette(screen), 0);
        // An older table file, longer than a table, that must survive.
        for (size_t i = 0; i < old.size(); ++i) old[i] = uint8_t(i * 7 + 3);
        WriteFile(Path("table.bin"), old);
    }
    int32_t Save(const std::string& path) { return dd.DDSaveHarfPalette(path, source); }
    // Nothing but the old file in the folder: no replacement left behind.
    void ExpectOldFileAlone() {
        EXPECT_EQ(ReadFile(Path("table.bin")), old);
        int files = 0;
        for (const auto& e : fs::directory_iterator(dir)) files += e.path().filename() != "table.bin";
        EXPECT_EQ(files, 0) << "a replacement file was left behind";
    }

    Ref<DirectDrawPalette> screen, source;
    Bytes old = Bytes(70000);
};

TEST_F(TableFaults, AFailedSaveLeavesTheOldFileAsItWas) {
    {
        SCOPED_TRACE("a write that finds the disk full");
        // The second write: the table went out, the bytes after it do not.
        int writes = 0;
        fault::Armed full(fault::Point::FileWrite, [&] { return ++writes == 2; });
        EXPECT_EQ(Save(Path("table.bin")), kDiskFull);
        ExpectOldFileAlone();
    }
    {
        // A file size limit refuses the write for every user, root included.
        SCOPED_TRACE("a file system that takes no more bytes");
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const int32_t got = Save(Path("table.bin"));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(got, kDiskFull);
        ExpectOldFileAlone();
    }
    {
        SCOPED_TRACE("a rename that is refused");
        fault::Armed refuse(fault::Point::FileRename, [] { return true; });
        EXPECT_EQ(Save(Path("table.bin")), kPathAccess);
        ExpectOldFileAlone();
    }
    {
        SCOPED_TRACE("a folder that is a file");
        EXPECT_EQ(Save(Path("table.bin") + "/t.bin"), kPathNotFound);
        ExpectOldFileAlone();
    }
    // Every failure above still built the table; the next save writes it,
    // keeps the bytes past it and the file's permissions.
    ASSERT_EQ(chmod(Path("table.bin").c_str(), 0640), 0);
    ASSERT_EQ(Save(Path("table.bin")), 0);
    const Bytes now = ReadFile(Path("table.bin"));
    ASSERT_EQ(now.size(), old.size());
    EXPECT_EQ(0, std::memcmp(now.data(), &dd.HarfPalette[0][0], 65536));
    EXPECT_TRUE(std::equal(now.begin() + 65536, now.end(), old.begin() + 65536));
    EXPECT_EQ(fs::status(Path("table.bin")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Permission bits do not hold a privileged process back; as root this
// checks only that nothing is left behind.
TEST_F(TableFaults, AWriteProtectedFileStaysProtected) {
    ASSERT_EQ(chmod(Path("table.bin").c_str(), 0444), 0);
    const int32_t got = Save(Path("table.bin"));
    if (geteuid() != 0) {
        EXPECT_EQ(got, 70);  // permission denied
        ExpectOldFileAlone();
    } else {
        EXPECT_EQ(got, 0);
    }
    int others = 0;
    for (const auto& e : fs::directory_iterator(dir)) others += e.path().filename() != "table.bin";
    EXPECT_EQ(others, 0);
}

TEST_F(TableFaults, DevicesAndLinksAreWrittenThroughNotReplaced) {
    // A full device: written in place, so the device stays a device.
    EXPECT_EQ(Save("/dev/full"), kDiskFull);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));

    // Through a link the file it names takes the table; the link stays.
    fs::create_symlink(Path("table.bin"), Path("link.bin"));
    ASSERT_EQ(Save(Path("link.bin")), 0);
    EXPECT_TRUE(fs::is_symlink(Path("link.bin")));
    const Bytes now = ReadFile(Path("table.bin"));
    ASSERT_EQ(now.size(), old.size());
    EXPECT_EQ(0, std::memcmp(now.data(), &dd.HarfPalette[0][0], 65536));
}

}  // namespace
}  // namespace vexo::paltest
