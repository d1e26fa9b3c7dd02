// The writers of src/files: files written whole or not at all, folders whose new files go in
// together or not at all, the leftovers of killed runs, WAV headers.
#include <gtest/gtest.h>

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "files/files.h"
#include "files/pending_folder.h"
#include "files/wav.h"
#include "support.h"

TEST(AtomicFile, StaysAsideUnderAHeldTemporaryUntilCommitted)
{
    ScratchFolder dir;
    const std::string path = dir.path + "/out.wav";
    PendingFile f;
    std::string error;
    ASSERT_TRUE(OpenPending(&f, path, path, &error)) << error;
    ASSERT_TRUE(WritePending(&f, "abc", 3, &error));
    EXPECT_FALSE(Exists(path));
    ASSERT_EQ(dir.Names().size(), 1u);
    const std::string temp = dir.Names()[0];
    EXPECT_TRUE(IsTemporaryName(temp) && temp.ends_with("-out.wav.part")) << temp;
    FolderHold folder;
    ASSERT_TRUE(OpenFolder(dir.path, &folder));
    RemoveStaleTemporaries(folder);  // held: not stale
    ASSERT_TRUE(CheckPending(&f, &error)) << error;
    ASSERT_TRUE(CommitPending(&f, &error)) << error;
    EXPECT_EQ(ReadText(path), "abc");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.wav"});
    ASSERT_TRUE(OpenPending(&f, path, path, &error));
    DiscardPending(&f);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.wav"});
}

TEST(AtomicFile, UnwritablePathIsNamedWithTheReason)
{
    ScratchFolder dir;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir.path + "/plain", "", &error));
    EXPECT_FALSE(WriteFileAtomically(dir.path + "/plain/x.wav", "", &error));
#if defined(_WIN32)
    EXPECT_EQ(error.rfind("cannot write " + dir.path + "/plain/x.wav: ", 0), 0u) << error;  // no ENOTDIR there
#else
    EXPECT_EQ(error, "cannot write " + dir.path + "/plain/x.wav: Not a directory");
    EXPECT_FALSE(WriteFileAtomically("/dev/stdout", "", &error));
    EXPECT_EQ(error, "cannot write /dev/stdout: it names an open descriptor, not a file");
#endif
    EXPECT_FALSE(WriteFileAtomically(dir.path + "/", "", &error));
    EXPECT_EQ(error, "cannot write " + dir.path + "/: it is a folder");
    EXPECT_FALSE(WriteFileAtomically(dir.path, "", &error));
    EXPECT_EQ(error, "cannot write " + dir.path + ": it is a folder");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"plain"});
}

TEST(AtomicFile, LongNamesLinksModeAndOwnerAreKept)
{
#if defined(_WIN32)
    GTEST_SKIP() << "symbolic links, NAME_MAX, modes and owners are POSIX's";
#else
    ScratchFolder dir;
    std::string error;
    // The longest legal name still gets a temporary.
    const std::string longName = dir.path + "/" + std::string(NAME_MAX - 4, 'n') + ".wav";
    ASSERT_TRUE(WriteFileAtomically(longName, "a", &error)) << error;
    // A link is followed: the file it names gets the bytes and keeps its mode and owner.
    ASSERT_EQ(symlink(NameOf(longName).c_str(), (dir.path + "/link").c_str()), 0);
    chmod(longName.c_str(), 0600);
    const bool root = geteuid() == 0;
    EXPECT_TRUE(!root || chown(longName.c_str(), 1234, 1234) == 0);
    ASSERT_TRUE(WriteFileAtomically(dir.path + "/link", "b", &error)) << error;
    EXPECT_EQ(ReadText(longName), "b");
    struct stat st;
    ASSERT_EQ(lstat((dir.path + "/link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(longName.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_TRUE(!root || (st.st_uid == 1234 && st.st_gid == 1234));
    std::string target;
    int stream = -1;
    ASSERT_TRUE(ResolveTarget(dir.path + "/link", &target, &stream, &error));
    EXPECT_EQ(FileKey(target), FileKey(dir.path + "/../" + NameOf(dir.path) + "/" + NameOf(longName)));
    EXPECT_NE(FileKey(dir.path + "/new"), FileKey(dir.path + "/other"));
    EXPECT_EQ(FileKey(dir.path + "/new"), FileKey(dir.path + "/./new"));
    ASSERT_TRUE(ResolveTarget("/proc/self/fd/7", &target, &stream, &error));
    EXPECT_EQ(stream, 7);
#endif
}

static std::span<const uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The commit's moves, with the one numbered failAt failing for want of space.
static int FailAt = -1;
static std::vector<std::string> MovedTo;
static bool FailingMove(const FolderHold& from, const std::string& fromName, const FolderHold& to,
                        const std::string& toName)
{
    if (FailAt-- == 0) {
        errno = ENOSPC;
        return false;
    }
    MovedTo.push_back(toName);
    return MoveAt(from, fromName, to, toName);
}

// A folder that holds a folder cannot be exchanged in one step: its files go in one by one.
TEST(PendingFolder, ACommitThatFailsAtAnyMovePutsBackWhatItMovedAndTheRecordGoesInLast)
{
    ScratchFolder dir;
    const std::string path = dir.path + "/f";
    std::string error;
    ASSERT_TRUE(MakeFolder(path) && MakeFolder(path + "/sub"));
    for (const char* name : {"a", "b", "rec", "notes"})
        ASSERT_TRUE(WriteFileAtomically(path + "/" + name, std::string("old ") + name, &error));
    const std::string before = Snapshot(dir);
    const std::vector<std::string> replaceable = {"a", "b", "rec"};
    bool committed = false, oneStep = true;
    int fail = 0;
    for (; !committed && fail < 20; ++fail) {
        PendingFolder f;
        ASSERT_TRUE(OpenPendingFolder(&f, "f", path, &error)) << error;
        for (const char* name : {"a", "c", "rec"})
            ASSERT_TRUE(WritePendingFolderFile(&f, name, Bytes(std::string("new ") + name), &error));
        ASSERT_TRUE(CheckPendingFolder(&f, replaceable, &error)) << error;
        FailAt = fail;
        MovedTo.clear();
        f.move = FailingMove;
        committed = CommitPendingFolder(&f, replaceable, "rec", &oneStep, &error);
        DiscardPendingFolder(&f);
        if (!committed) {
            EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
            EXPECT_EQ(Snapshot(dir), before) << "when move " << fail << " failed";
        }
    }
    ASSERT_TRUE(committed) << error;
    EXPECT_FALSE(oneStep);
    EXPECT_GE(fail, 6);  // a set aside, a, c, b set aside, rec set aside, rec
    EXPECT_EQ(MovedTo.back(), "rec");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"f"});
    EXPECT_EQ(ReadText(path + "/a") + ReadText(path + "/c") + ReadText(path + "/rec") + ReadText(path + "/notes"),
              "new anew cnew recold notes");
    EXPECT_FALSE(Exists(path + "/b"));
}

// A leftover is stale when nobody holds it, whatever process id its name carries. A folder goes
// only when it carries the mark of a staging folder, and then only through its own descriptor:
// a folder someone named like ours, and a link in a leftover's place, are never followed or emptied.
TEST(PendingFolder, OnlyUnheldFilesAndMarkedFoldersAreRemovedAndNoLinkIsFollowed)
{
    ScratchFolder dir;
    std::string error;
    const std::string ownId = "sideways-" + std::to_string(ProcessId()) + "-1-show.wav.part";
    const std::string users = dir.path + "/sideways-999999998-1-png.part";
    ASSERT_TRUE(MakeFolder(users) && MakeFolder(dir.path + "/victim"));
    for (const std::string& name : {ownId, std::string("sideways-999999999-1-show.mkv.part"), std::string("notes.part"),
                                    std::string("sideways-999999998-1-png.part/000001.png"), std::string("victim/v")})
        std::ofstream(dir.path + "/" + name).put('x');
#if !defined(_WIN32)
    ASSERT_EQ(symlink("victim", (dir.path + "/sideways-999999997-1-png.part").c_str()), 0);
#endif
    PendingFolder killed, live;
    ASSERT_TRUE(OpenPendingFolder(&killed, "a", dir.path + "/a", &error)) << error;
    ASSERT_TRUE(WritePendingFolderFile(&killed, "000001.png", Bytes("x"), &error));
    const std::string killedStaging = killed.stagingName;
    ReleaseFolder(&killed.staging);  // as a killed run lets go of it
    ASSERT_TRUE(OpenPendingFolder(&live, "b", dir.path + "/b", &error)) << error;
    const int held = CreateHeldFile(dir.path + "/sideways-1-1-live.part");
    ASSERT_GE(held, 0);
    ASSERT_TRUE(WriteFileAtomically(dir.path + "/show.wav", "w", &error)) << error;
    std::vector<std::string> expected = {"a", "b", "notes.part", "show.wav", "sideways-1-1-live.part",
#if !defined(_WIN32)
                                         "sideways-999999997-1-png.part",
#endif
                                         "sideways-999999998-1-png.part", live.stagingName, "victim"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir.Names(), expected);
    EXPECT_TRUE(Exists(users + "/000001.png") && Exists(dir.path + "/victim/v"));
    EXPECT_TRUE(CloseFile(held));
    ReleaseFolder(&live.staging);
    FolderHold in;
    ASSERT_TRUE(OpenFolder(dir.path, &in));
    RemoveStaleTemporaries(in);
    expected.erase(std::find(expected.begin(), expected.end(), live.stagingName));
    expected.erase(std::find(expected.begin(), expected.end(), "sideways-1-1-live.part"));
    EXPECT_EQ(dir.Names(), expected);
    EXPECT_NE(killedStaging, live.stagingName);
}

TEST(WavFile, HeadersDescribeTheirSamples)
{
    const std::vector<uint8_t> h = WavHeader(WavSamples::Int16, 2, 44100, 735);
    ASSERT_EQ(h.size(), 44u);
    auto u32 = [&](size_t at) { return uint32_t(h[at] | h[at + 1] << 8 | h[at + 2] << 16 | uint32_t(h[at + 3]) << 24); };
    auto u16 = [&](size_t at) { return uint32_t(h[at] | h[at + 1] << 8); };
    EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "RIFF");
    EXPECT_EQ(u32(4), 36u + 735 * 4);
    EXPECT_EQ(std::string(h.begin() + 8, h.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u16(20), 1u);  // PCM
    EXPECT_EQ(u16(22), 2u);
    EXPECT_EQ(u32(24), 44100u);
    EXPECT_EQ(u32(28), 44100u * 4);
    EXPECT_EQ(u16(32), 4u);
    EXPECT_EQ(u16(34), 16u);
    EXPECT_EQ(std::string(h.begin() + 36, h.begin() + 40), "data");
    EXPECT_EQ(u32(40), 735u * 4);
    // Float: an 18-byte format with no extension and the "fact" chunk with the frame count.
    const std::vector<uint8_t> f = WavHeader(WavSamples::Float32, 2, 44100, 10);
    ASSERT_EQ(f.size(), 58u);
    EXPECT_EQ(std::string(f.begin() + 38, f.begin() + 42), "fact");
    EXPECT_EQ(std::string(f.begin() + 50, f.begin() + 54), "data");
    EXPECT_EQ(f[20] | f[21] << 8, 3);
    EXPECT_EQ(f[4] | f[5] << 8, 50 + 80);
}

