// tarnis-convert as a user runs it: exit status, one-line errors, outputs.
#include "codec/dispatch.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome Convert(const std::string &args)
{
    const std::string errFile
        = std::filesystem::temp_directory_path() / ("tc_err_" + std::to_string(::getpid()));
    // timeout: a conversion that hangs fails the test instead of stalling it.
    const std::string cmd
        = "timeout 20 " + std::string(TARNIS_BINARY_DIR) + "/bin/tarnis-convert " + args + " 2>" + errFile;
    Outcome r;
    FILE *p = ::popen(cmd.c_str(), "r");
    if (p == nullptr)
        return r;
    std::array<char, 256> buf {};
    while (std::fgets(buf.data(), buf.size(), p) != nullptr)
        r.out += buf.data();
    int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    FILE *e = std::fopen(errFile.c_str(), "r");
    if (e != nullptr) {
        while (std::fgets(buf.data(), buf.size(), e) != nullptr)
            r.err += buf.data();
        std::fclose(e);
    }
    std::filesystem::remove(errFile);
    return r;
}

std::string Data(const std::string &rel)
{
    return std::string(TARNIS_TESTDATA_DIR) + "/" + rel;
}

class TarnisConvert : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("tarnis_convert_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Out(const std::string &name) const { return (m_dir / name).string(); }
    // A FIFO named like a picture: reading it would wait for a writer for ever.
    std::string Fifo() const
    {
        const std::string path = Out("fifo.png");
        ::mkfifo(path.c_str(), 0644);
        return path;
    }
    std::filesystem::path m_dir;
};

TEST(TarnisConvertOptions, HelpAndVersionOnStdoutOnlyAlone)
{
    struct Case {
        const char *args;
        int status;
        const char *outStarts; // empty: nothing on stdout, the usage line on stderr
    } cases[] = {
        { "--version", 0, "tarnis-convert " TARNIS_VERSION "\n" },
        { "--help", 0, "Usage: tarnis-convert [OPTION] ARGUMENTS\n" },
        { "-h", 0, "Usage: tarnis-convert" },
        { "--version extra", 1, "" },
        { "--help x.png", 1, "" },
        { "--versions", 1, "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = Convert(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out.rfind(c.outStarts, 0), 0u) << r.out;
        if (c.status == 0) {
            EXPECT_TRUE(r.err.empty()) << r.err;
        } else {
            EXPECT_TRUE(r.out.empty()) << r.out;
            EXPECT_NE(r.err.find("usage: tarnis-convert"), std::string::npos) << r.err;
        }
    }
    // Every option the help names is one the program takes.
    const std::string help = Convert("--help").out;
    for (const char *option :
        { "--page", "--info", "--thumb ", "--thumb-folder", "--batch", "--format", "--size", "--keep-ratio",
            "--same-size", "--overwrite", "--rename", "--skip", "--threads", "--reduced-read" })
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST_F(TarnisConvert, InfoPrintsSizeDepthAndPages)
{
    Outcome r = Convert("--info " + Data("gif/peterdn-gif-test-suite/animated_loop.gif"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "100 100 8 4\n"); // the default page, frame 0
    r = Convert("--info " + Data("tiff/pillow/good/multipage.tiff"));
    EXPECT_EQ(r.out, "10 10 1 3\n");
}

TEST_F(TarnisConvert, ConvertsByExtensionAndPage)
{
    Outcome r = Convert("--page 2 " + Data("tiff/pillow/good/multipage.tiff") + " " + Out("p2.png"));
    ASSERT_EQ(r.status, 0) << r.err;
    codexa::Picture a, b;
    ASSERT_EQ(codexa::LoadFile(Out("p2.png").c_str(), -1, a), codexa::Status::Ok);
    ASSERT_EQ(codexa::LoadFile(Data("tiff/pillow/good/multipage.tiff").c_str(), 2, b), codexa::Status::Ok);
    EXPECT_EQ(a.width(), b.width());
    r = Convert(Data("jpeg/pillow/good/hopper.jpg") + " " + Out("h.gif"));
    EXPECT_EQ(r.status, 0) << r.err;
    r = Convert("--thumb 40 30 " + Data("jpeg/pillow/good/hopper.jpg") + " " + Out("t.png"));
    ASSERT_EQ(r.status, 0) << r.err;
    r = Convert("--info " + Out("t.png"));
    EXPECT_EQ(r.out, "30 30 24 1\n");
}

TEST_F(TarnisConvert, FailuresSayWhyOnOneLine)
{
    for (const std::string &args : { std::string(""), std::string("--bogus"), std::string("--page x a b"),
             "--info " + Data("no/such.png"), Data("SOURCES.md") + " " + Out("x.png"),
             Data("jpeg/pillow/good/hopper.jpg") + " " + Out("x.unknown"),
             Data("jpeg/pillow/good/hopper.jpg") + " " + Out("missing/x.png"), "--info " + Fifo(),
             Fifo() + " " + Out("x.png") }) {
        Outcome r = Convert(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

} // namespace
