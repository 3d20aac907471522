// The main of every test program: each run gets a home and XDG folders of its own below a fresh
// temporary folder, several levels deep (as an ordinary user's home is), removed at the end. Tests
// never read or write the real user's settings, and pass whatever the account's home looks like.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// The leak checker's suppressions (tests/sanitizer.supp), read by the runtime at start.
extern "C" const char *__lsan_default_suppressions();
extern "C" const char *__lsan_default_suppressions()
{
    return
#include "sanitizer_supp.inc"
        ;
}

namespace
{

namespace fs = std::filesystem;

class TemporaryHome
{
public:
    TemporaryHome()
    {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnis-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(2);
        }
        m_root = pattern;
        const fs::path home = m_root / "home" / "users" / "tester";
        Set("HOME", home);
        Set("XDG_CONFIG_HOME", home / ".config");
        Set("XDG_DATA_HOME", home / ".local" / "share");
        Set("XDG_CACHE_HOME", home / ".cache");
        Set("XDG_STATE_HOME", home / ".local" / "state");
        Set("XDG_RUNTIME_DIR", m_root / "runtime");
        ::chmod((m_root / "runtime").c_str(), 0700);
    }
    ~TemporaryHome()
    {
        std::error_code ec;
        // Tests may leave read-only folders behind; make them removable first.
        for (auto it = fs::recursive_directory_iterator(m_root, ec); !ec && it != fs::end(it);
             it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_root, ec);
    }
    TemporaryHome(const TemporaryHome &) = delete;
    TemporaryHome &operator=(const TemporaryHome &) = delete;

private:
    static void Set(const char *name, const fs::path &folder)
    {
        fs::create_directories(folder);
        ::setenv(name, folder.c_str(), 1);
    }

    fs::path m_root;
};

} // namespace

int main(int argc, char **argv)
{
    TemporaryHome home;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
