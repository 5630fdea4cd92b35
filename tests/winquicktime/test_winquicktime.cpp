// The movie writer: frames read back equal the painted pixels; the track's timing, codec and sync
// samples, as libavformat, ffprobe and mediainfo see them; start failures and their messages; failed
// writes that leave the chosen name alone; the temporary file and what replacing a file keeps.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "moviereader.h"
#include "platform/ui/scriptedui.h"
#include "winquicktime/winquicktime.h"

namespace {

using movietest::PaintPattern;
using movietest::PatternRgb;
using movietest::CFailingSink;
using movietest::ReadMovie;

std::string ReadAll(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& strPath, const std::string& strData) {
    std::ofstream out(strPath, std::ios::binary);
    out << strData;
}

// The names in a folder, sorted, without "." and "..".
std::vector<std::string> Listing(const std::string& strFolder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(strFolder.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class MovieWriter : public ::testing::Test {
protected:
    ui::CScriptedUIServices m_ui;
    CWinQuickTime m_writer;
    std::string m_strDir;

    void SetUp() override {
        char pattern[] = "/tmp/qs-movie-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_strDir = pattern;
    }

    void TearDown() override {
        EXPECT_FALSE(m_writer.IsOpen());
        std::string out;
        movietest::RunCommand("rm -rf " + movietest::ShellQuote(m_strDir), &out);
    }

    std::string Path(const std::string& strName) const { return m_strDir + "/" + strName; }

    // Starts a w x h movie at strPath; the frame DC, or NULL.
    HDC Start(const std::string& strPath, int w, int h) {
        const RECT rc{0, 0, w, h};
        return m_writer.StartMovie(strPath.c_str(), nullptr, &rc);
    }

    // Paints and adds nFrames frames of the pattern; each AddFrame must succeed.
    void AddPatternFrames(HDC hdc, int nFrames) {
        for (int f = 0; f < nFrames; ++f) {
            PaintPattern(hdc->GetSurface(), f);
            ASSERT_EQ(m_writer.AddFrame(), 0) << "frame " << f;
        }
    }

    // A complete movie of nFrames pattern frames of w x h at strPath.
    void WriteMovie(const std::string& strPath, int w, int h, int nFrames) {
        HDC hdc = Start(strPath, w, h);
        ASSERT_NE(hdc, nullptr);
        AddPatternFrames(hdc, nFrames);
        ASSERT_EQ(m_writer.FinishMovie(), 0);
    }
};

// ---- what is written ------------------------------------------------------------------------------

struct SizeCase {
    int w, h;
};

TEST_F(MovieWriter, FramesDecodeToThePaintedPixels) {
    for (const SizeCase c : {SizeCase{1, 1}, SizeCase{17, 9}, SizeCase{640, 480}}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        const std::string strPath = Path("frames.mov");
        HDC hdc = Start(strPath, c.w, c.h);
        ASSERT_NE(hdc, nullptr);
        // The frame DC: a memory DC over a bitmap of the movie's size.
        ASSERT_NE(hdc->GetSurface(), nullptr);
        EXPECT_EQ(hdc->GetSurface()->Width(), c.w);
        EXPECT_EQ(hdc->GetSurface()->Height(), c.h);
        EXPECT_EQ(m_writer.GetWidth(), c.w);
        EXPECT_EQ(m_writer.GetHeight(), c.h);
        AddPatternFrames(hdc, 3);
        ASSERT_EQ(m_writer.FinishMovie(), 0);

        const movietest::Movie movie = ReadMovie(strPath);
        ASSERT_EQ(movie.strError, "");
        EXPECT_EQ(movie.strCodec, "qtrle");
        EXPECT_EQ(movie.nWidth, c.w);
        EXPECT_EQ(movie.nHeight, c.h);
        ASSERT_EQ(movie.frames.size(), 3u);
        for (int f = 0; f < 3; ++f) EXPECT_TRUE(movie.frames[f] == PatternRgb(c.w, c.h, f)) << "frame " << f;
    }
}

TEST_F(MovieWriter, TheXByteIsNotAlpha) {
    const std::string strPath = Path("x.mov");
    HDC hdc = Start(strPath, 4, 2);
    ASSERT_NE(hdc, nullptr);
    PaintPattern(hdc->GetSurface(), 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) hdc->GetSurface()->Row(y)[x] |= (x == 0 ? 0x00u : 0xFFu) << 24;
    ASSERT_EQ(m_writer.AddFrame(), 0);
    ASSERT_EQ(m_writer.FinishMovie(), 0);
    const movietest::Movie movie = ReadMovie(strPath);
    ASSERT_EQ(movie.frames.size(), 1u);
    EXPECT_TRUE(movie.frames[0] == PatternRgb(4, 2, 0));
}

TEST_F(MovieWriter, FiftyFramesAreFiftySyncSamplesOfSixtyAtSixHundred) {
    const std::string strPath = Path("fifty.mov");
    WriteMovie(strPath, 33, 21, 50);
    const movietest::Movie movie = ReadMovie(strPath, false);
    ASSERT_EQ(movie.strError, "");
    EXPECT_EQ(movie.nCodecTag, MKTAG('r', 'l', 'e', ' '));
    EXPECT_EQ(movie.nVideoStreams, 1);
    EXPECT_EQ(movie.timeBase.num, 1);
    EXPECT_EQ(movie.timeBase.den, 600);
    EXPECT_EQ(movie.nStreamDuration, 3000);  // 5 s
    ASSERT_EQ(movie.samples.size(), 50u);
    for (size_t i = 0; i < movie.samples.size(); ++i) {
        EXPECT_EQ(movie.samples[i].pts, static_cast<int64_t>(i) * 60) << i;
        EXPECT_EQ(movie.samples[i].duration, 60) << i;
        EXPECT_TRUE(movie.samples[i].bKey) << i;
    }
}

TEST_F(MovieWriter, FfprobeAndMediainfoReadTheMovie) {
    const std::string strPath = Path("tools.mov");
    WriteMovie(strPath, 17, 9, 50);
    const std::string q = movietest::ShellQuote(strPath);

    std::string out;
    ASSERT_TRUE(movietest::RunCommand("ffprobe -v error -select_streams v:0 -show_entries "
                                      "stream=codec_name,codec_tag_string,width,height,time_base,nb_frames:"
                                      "packet=duration,flags -of compact=p=0 " + q, &out)) << out;
    std::string expected;
    for (int i = 0; i < 50; ++i) expected += "duration=60|flags=K_\n";
    expected += "codec_name=qtrle|codec_tag_string=rle |width=17|height=9|time_base=1/600|nb_frames=50\n";
    EXPECT_EQ(out, expected);

    ASSERT_TRUE(movietest::RunCommand(
        "mediainfo --Inform='Video;%StreamCount%|%CodecID%|%FrameCount%|%Duration%|%Width%x%Height%' " + q, &out))
        << out;
    EXPECT_EQ(out, "1|rle |50|5000|17x9\n");  // one video track, 5 s
}

TEST_F(MovieWriter, AnyExtensionGetsAQuickTimeMovie) {
    for (const char* name : {"clip.avi", "clip", "CLIP.MOV", "clip.mp4"}) {
        SCOPED_TRACE(name);
        WriteMovie(Path(name), 5, 3, 2);
        const movietest::Movie movie = ReadMovie(Path(name), false);
        EXPECT_EQ(movie.strFormat, "mov,mp4,m4a,3gp,3g2,mj2");
        EXPECT_EQ(movie.samples.size(), 2u);
        const std::string strData = ReadAll(Path(name));
        ASSERT_GT(strData.size(), 8u);
        EXPECT_EQ(strData.substr(4, 4), "ftyp");
        EXPECT_EQ(strData.substr(8, 4), "qt  ");
    }
}

// ---- the file -------------------------------------------------------------------------------------

TEST_F(MovieWriter, NothingButTheMovieAppearsAndOnlyWhenFinished) {
    const std::string strPath = Path("only.mov");
    HDC hdc = Start(strPath, 8, 8);
    ASSERT_NE(hdc, nullptr);
    AddPatternFrames(hdc, 2);
    // Meanwhile the chosen name does not exist; one hidden temporary file does.
    EXPECT_NE(access(strPath.c_str(), F_OK), 0);
    const std::vector<std::string> during = Listing(m_strDir);
    ASSERT_EQ(during.size(), 1u);
    EXPECT_EQ(during[0].rfind(".only.mov.", 0), 0u) << during[0];
    ASSERT_EQ(m_writer.FinishMovie(), 0);
    EXPECT_EQ(Listing(m_strDir), std::vector<std::string>{"only.mov"});
}

TEST_F(MovieWriter, AReplacedFileKeepsItsModeAndALinkStaysALink) {
    const std::string strFile = Path("kept.mov");
    WriteAll(strFile, "old");
    ASSERT_EQ(chmod(strFile.c_str(), 0640), 0);
    const std::string strLink = Path("link.mov");
    ASSERT_EQ(symlink("kept.mov", strLink.c_str()), 0);

    WriteMovie(strLink, 6, 4, 2);
    struct stat st;
    ASSERT_EQ(lstat(strLink.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(strFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadMovie(strFile).frames.size(), 2u);
    EXPECT_EQ(Listing(m_strDir), (std::vector<std::string>{"kept.mov", "link.mov"}));
}

TEST_F(MovieWriter, ANewFileGetsTheModeOfNewFiles) {
    const mode_t old = umask(022);
    WriteMovie(Path("new.mov"), 2, 2, 1);
    umask(old);
    struct stat st;
    ASSERT_EQ(stat(Path("new.mov").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// A write that fails anywhere (the header's buffer, the frames, the index) makes FinishMovie report
// it, and the chosen name keeps what it held.
TEST_F(MovieWriter, AFailedWriteKeepsTheOldFileAndLeavesNothingElse) {
    const std::string strPath = Path("old.mov");
    // Where the sink gives out: at once, inside the first buffer, after some frames, in the index.
    int64_t nComplete = 0;
    {
        WriteMovie(Path("probe.mov"), 64, 48, 20);
        nComplete = static_cast<int64_t>(ReadAll(Path("probe.mov")).size());
        ASSERT_EQ(unlink(Path("probe.mov").c_str()), 0);
    }
    for (const int64_t nLimit : {int64_t{0}, int64_t{100}, int64_t{70000}, nComplete - 200, nComplete - 1}) {
        SCOPED_TRACE("sink fails after " + std::to_string(nLimit) + " of " + std::to_string(nComplete) + " bytes");
        m_ui.Clear();
        WriteAll(strPath, "the user's old file");
        m_writer.SetSinkFilter([nLimit](std::unique_ptr<CMovieSink> p) -> std::unique_ptr<CMovieSink> {
            return std::make_unique<CFailingSink>(std::move(p), nLimit);
        });
        HDC hdc = Start(strPath, 64, 48);
        if (nLimit == 0) {
            // Not even the header fits: the start fails as for a file that cannot be created.
            EXPECT_EQ(hdc, nullptr);
            ASSERT_EQ(m_ui.Calls().size(), 1u);
            EXPECT_EQ(m_ui.Calls()[0].strText, "Unable to write the movie file.");
            EXPECT_EQ(ReadAll(strPath), "the user's old file");
            EXPECT_EQ(Listing(m_strDir), std::vector<std::string>{"old.mov"});
            continue;
        }
        ASSERT_NE(hdc, nullptr);
        for (int f = 0; f < 20; ++f) {
            PaintPattern(hdc->GetSurface(), f);
            m_writer.AddFrame();  // a frame may fail once the sink did; the capture goes on
        }
        EXPECT_EQ(m_writer.FinishMovie(), 1);
        EXPECT_EQ(ReadAll(strPath), "the user's old file");
        EXPECT_EQ(Listing(m_strDir), std::vector<std::string>{"old.mov"});
        EXPECT_TRUE(m_ui.Calls().empty());  // the caller reports it
    }
    m_writer.SetSinkFilter(nullptr);
}

TEST_F(MovieWriter, AFolderUnderTheChosenNameIsNotReplaced) {
    const std::string strPath = Path("folder.mov");
    ASSERT_EQ(mkdir(strPath.c_str(), 0755), 0);
    WriteAll(strPath + "/inside", "x");
    HDC hdc = Start(strPath, 4, 4);
    ASSERT_NE(hdc, nullptr);
    AddPatternFrames(hdc, 2);
    EXPECT_EQ(m_writer.FinishMovie(), 1);
    struct stat st;
    ASSERT_EQ(stat(strPath.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(ReadAll(strPath + "/inside"), "x");
    EXPECT_EQ(Listing(m_strDir), std::vector<std::string>{"folder.mov"});
}

TEST_F(MovieWriter, AWriterDestroyedWhileOpenLeavesTheChosenNameAlone) {
    const std::string strPath = Path("abandoned.mov");
    WriteAll(strPath, "before");
    {
        CWinQuickTime writer;
        const RECT rc{0, 0, 8, 8};
        HDC hdc = writer.StartMovie(strPath.c_str(), nullptr, &rc);
        ASSERT_NE(hdc, nullptr);
        PaintPattern(hdc->GetSurface(), 0);
        EXPECT_EQ(writer.AddFrame(), 0);
    }
    EXPECT_EQ(ReadAll(strPath), "before");
    EXPECT_EQ(Listing(m_strDir), std::vector<std::string>{"abandoned.mov"});
}

TEST_F(MovieWriter, AMovieWithoutPaintsHoldsOneBlackFrame) {
    const std::string strPath = Path("empty.mov");
    ASSERT_NE(Start(strPath, 10, 6), nullptr);
    ASSERT_EQ(m_writer.FinishMovie(), 0);
    const movietest::Movie movie = ReadMovie(strPath);
    ASSERT_EQ(movie.strError, "");
    EXPECT_EQ(movie.strCodec, "qtrle");
    ASSERT_EQ(movie.frames.size(), 1u);
    EXPECT_TRUE(movie.frames[0] == std::vector<uint8_t>(10 * 6 * 3, 0));
}

// ---- failures -------------------------------------------------------------------------------------

TEST_F(MovieWriter, StartFailuresReturnNullAndLeaveNothing) {
    struct Case {
        const char* what;
        std::string strPath;
        RECT rc;
        const char* message;  // the box shown, or NULL for none
    };
    const Case cases[] = {
        {"an empty rectangle", Path("a.mov"), {0, 0, 0, 10}, nullptr},
        {"a negative height", Path("a.mov"), {0, 10, 10, 0}, nullptr},
        {"a folder that does not exist", Path("missing/a.mov"), {0, 0, 10, 10}, CWinQuickTime::kWriteErrorMessage},
        {"a name that ends in a slash", Path("a.mov/"), {0, 0, 10, 10}, CWinQuickTime::kWriteErrorMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_ui.Clear();
        EXPECT_EQ(m_writer.StartMovie(c.strPath.c_str(), nullptr, &c.rc), nullptr);
        EXPECT_FALSE(m_writer.IsOpen());
        if (c.message) {
            ASSERT_EQ(m_ui.Calls().size(), 1u);
            EXPECT_EQ(m_ui.Calls()[0].strText, c.message);
            EXPECT_EQ(m_ui.Calls()[0].nType & MB_TYPEMASK, MB_OK);
        } else {
            EXPECT_TRUE(m_ui.Calls().empty());
        }
        EXPECT_TRUE(Listing(m_strDir).empty());
    }
}

TEST_F(MovieWriter, MissingLibrariesAskForAnInstallation) {
    for (const auto& names : {std::pair<const char*, const char*>{"mov", "no-such-encoder"},
                              std::pair<const char*, const char*>{"no-such-muxer", "qtrle"}}) {
        m_ui.Clear();
        m_writer.SetLibraryNames(names.first, names.second);
        EXPECT_EQ(Start(Path("a.mov"), 10, 10), nullptr);
        ASSERT_EQ(m_ui.Calls().size(), 1u);
        EXPECT_EQ(m_ui.Calls()[0].strText, "Please install Quicktime then restart program if you wish to use this feature.");
        EXPECT_EQ(m_ui.Calls()[0].strCaption, "Quicktime Error");
        EXPECT_EQ(m_ui.Calls()[0].nType, MB_OK);
        EXPECT_TRUE(Listing(m_strDir).empty());
    }
    m_writer.SetLibraryNames("mov", "qtrle");
}

TEST_F(MovieWriter, OneMovieAtATimeAndNothingToAddOrFinishWithoutOne) {
    EXPECT_EQ(m_writer.AddFrame(), 1);
    EXPECT_EQ(m_writer.FinishMovie(), 1);
    ASSERT_NE(Start(Path("one.mov"), 4, 4), nullptr);
    EXPECT_EQ(Start(Path("two.mov"), 4, 4), nullptr);
    EXPECT_EQ(m_writer.FinishMovie(), 0);
    EXPECT_EQ(m_writer.AddFrame(), 1);
    EXPECT_EQ(Listing(m_strDir), std::vector<std::string>{"one.mov"});
}

}  // namespace
