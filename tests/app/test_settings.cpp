#include "app/appsettings.h"
#include "app/commandlineinfo.h"
#include "app/htmlhelp.h"
#include "app/programfolder.h"
#include "app/recentfilelist.h"
#include "app/regstring.h"
#include "app/shellopen.h"
#include "tests/common/qtapp.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { SetCommandLineFolder(QString()); }

    TempSettings m_settings;
};

TEST_F(SettingsTest, StoresLiveInTheTemporaryFolder)
{
    EXPECT_TRUE(m_settings.FileOf(QStringLiteral("TarnisTech"), QStringLiteral("pexora"))
                    .startsWith(m_settings.Path()));
    WriteLastPath(QStringLiteral("/photos"));
    EXPECT_TRUE(QFile::exists(m_settings.Path() + QStringLiteral("/TarnisTech/pexora.conf")));
    QSettings raw(m_settings.Path() + QStringLiteral("/TarnisTech/pexora.conf"), QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("setting/lastpath")).toString(), QStringLiteral("/photos"));
}

TEST_F(SettingsTest, ReadRegStringRules)
{
    QString out = QStringLiteral("untouched");
    EXPECT_EQ(ReadRegString(kSettingKey, kLastPathValue, out), 0); // missing value
    EXPECT_EQ(out, QStringLiteral("untouched"));
    WriteRegString(kSettingKey, kLastPathValue, QString()); // an existing but empty value
    EXPECT_EQ(ReadRegString(kSettingKey, kLastPathValue, out), 0);
    EXPECT_EQ(out, QStringLiteral("untouched"));
    WriteRegString(kSettingKey, kLastPathValue, QStringLiteral("/data/pictures"));
    EXPECT_EQ(ReadRegString(kSettingKey, kLastPathValue, out), 1);
    EXPECT_EQ(out, QStringLiteral("/data/pictures"));
    EXPECT_EQ(ReadRegString(QStringLiteral("Software\\TarnisTech\\pexora\\other"), kLastPathValue, out), 0);
}

TEST_F(SettingsTest, WriteRegStringCreatesAMissingKey)
{
    const QString key = QStringLiteral("Software\\TarnisTech\\pexora\\new\\deeper");
    WriteRegString(key, QStringLiteral("name"), QStringLiteral("value"));
    QString out;
    EXPECT_EQ(ReadRegString(key, QStringLiteral("name"), out), 1);
    EXPECT_EQ(out, QStringLiteral("value"));
    DeleteRegKey(key);
    EXPECT_EQ(ReadRegString(key, QStringLiteral("name"), out), 0);
}

TEST_F(SettingsTest, KeysThatNameNoStoreAreIgnored)
{
    QString organisation, application, group;
    EXPECT_TRUE(SplitRegKey(kSettingKey, organisation, application, group));
    EXPECT_EQ(organisation, QStringLiteral("TarnisTech"));
    EXPECT_EQ(application, QStringLiteral("pexora"));
    EXPECT_EQ(group, QStringLiteral("setting"));
    EXPECT_FALSE(SplitRegKey(QStringLiteral("Hardware\\A\\B"), organisation, application, group));
    EXPECT_FALSE(SplitRegKey(QStringLiteral("Software\\OnlyOne"), organisation, application, group));
    WriteRegString(QStringLiteral("Software"), QStringLiteral("x"), QStringLiteral("y")); // silent
    QString out;
    EXPECT_EQ(ReadRegString(QStringLiteral("Software"), QStringLiteral("x"), out), 0);
}

TEST_F(SettingsTest, StartFolderPrefersCommandLineThenLastPathThenDefault)
{
    EXPECT_EQ(ReadStartFolder(), DefaultStartFolder());
    EXPECT_FALSE(DefaultStartFolder().isEmpty());
    WriteLastPath(QStringLiteral("/last"));
    EXPECT_EQ(ReadStartFolder(), QStringLiteral("/last"));
    SetCommandLineFolder(QStringLiteral("/argument"));
    EXPECT_EQ(ReadStartFolder(), QStringLiteral("/argument"));
    SetCommandLineFolder(QString());
}

TEST_F(SettingsTest, StartCounterRule)
{
    EXPECT_EQ(AdvanceStartCounter(), 2u); // missing reads as 0, first start stores 2
    EXPECT_EQ(AdvanceStartCounter(), 3u);
    WriteRegDword(kSettingKey, kRuntimesValue, 0);
    EXPECT_EQ(AdvanceStartCounter(), 2u);
    WriteRegDword(kSettingKey, kRuntimesValue, 98);
    EXPECT_FALSE(UpdaterDue());
    EXPECT_EQ(AdvanceStartCounter(), 99u);
    EXPECT_TRUE(UpdaterDue());
    EXPECT_EQ(AdvanceStartCounter(), 100u);
    EXPECT_FALSE(UpdaterDue());
    WriteRegDword(kSettingKey, kRuntimesValue, 198);
    EXPECT_EQ(AdvanceStartCounter(), 199u);
    EXPECT_TRUE(UpdaterDue());
    WriteRegDword(kSettingKey, kRuntimesValue, 0xFFFFFFFFu);
    EXPECT_EQ(AdvanceStartCounter(), 0u); // 32-bit arithmetic
    WriteRegString(kSettingKey, kRuntimesValue, QStringLiteral("garbage"));
    EXPECT_EQ(AdvanceStartCounter(), 2u);
}

TEST(ProgramFolderTest, CutBeforeTheLastSeparator)
{
    EXPECT_EQ(ProgramFolderFromModulePath(QStringLiteral("/opt/apps/viewer/tarnis-viewer")),
        QStringLiteral("/opt/apps/viewer"));
    EXPECT_EQ(ProgramFolderFromModulePath(QStringLiteral("tarnis-viewer")), QStringLiteral("tarnis-viewer"));
    EXPECT_EQ(ProgramFolderFromModulePath(QStringLiteral("/tarnis-viewer")), QString());
    EXPECT_EQ(ProgramFolderFromModulePath(QStringLiteral("/opt/apps/")), QStringLiteral("/opt/apps"));
    SetProgramFolder(QStringLiteral("/opt/apps/viewer"));
    EXPECT_EQ(ProgramFolderFile(kHelpFileName), QStringLiteral("/opt/apps/viewer/pexora.chm"));
    EXPECT_EQ(ProgramFolderFile(kUpdaterFileName), QStringLiteral("/opt/apps/viewer/duruzezivare.exe"));
}

TEST_F(SettingsTest, RecentFileListKeepsFourNewestFirst)
{
    CRecentFileList list(4);
    for (const char *name : { "/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg", "/e.jpg" })
        list.Add(QString::fromLatin1(name));
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list[0], QStringLiteral("/e.jpg"));
    EXPECT_EQ(list[3], QStringLiteral("/b.jpg"));
    list.Add(QStringLiteral("/c.jpg")); // moves to the front, no duplicate
    EXPECT_EQ(list[0], QStringLiteral("/c.jpg"));
    EXPECT_EQ(list[1], QStringLiteral("/e.jpg"));
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetDisplayName(0), QStringLiteral("&1 /c.jpg"));
    list.Add(QString());
    EXPECT_EQ(list[0], QStringLiteral("/c.jpg"));
    EXPECT_TRUE(list[9].isEmpty());
}

TEST_F(SettingsTest, RecentFileListRoundTripUnderTheFrameworkProfile)
{
    CRecentFileList list(4);
    list.Add(QStringLiteral("/x/one.png"));
    list.Add(QStringLiteral("/x/two & more.png"));
    list.WriteList();
    const QString file
        = m_settings.Path() + QStringLiteral("/Local AppWizard-Generated Applications/Tarnis Viewer.conf");
    ASSERT_TRUE(QFile::exists(file));
    QSettings raw(file, QSettings::IniFormat);
    EXPECT_EQ(
        raw.value(QStringLiteral("Recent File List/File1")).toString(), QStringLiteral("/x/two & more.png"));

    CRecentFileList read(4);
    read.ReadList();
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_EQ(read[0], QStringLiteral("/x/two & more.png"));
    EXPECT_EQ(read.GetDisplayName(0), QStringLiteral("&1 /x/two && more.png"));
    read.Remove(0);
    read.WriteList(); // a shorter list leaves no stale entry behind
    CRecentFileList again(4);
    again.ReadList();
    ASSERT_EQ(again.GetCount(), 1);
    EXPECT_EQ(again[0], QStringLiteral("/x/one.png"));
}

TEST(CommandLineTest, FileFolderAndOptions)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("picture.jpg"));
    QFile(file).open(QIODevice::WriteOnly);
    CCommandLineInfo none = CCommandLineInfo::Parse({ QStringLiteral("viewer") });
    EXPECT_EQ(none.shellCommand, CCommandLineInfo::FileNew);
    EXPECT_TRUE(none.folder.isEmpty());
    CCommandLineInfo opened
        = CCommandLineInfo::Parse({ QStringLiteral("viewer"), QStringLiteral("-p"), file });
    EXPECT_EQ(opened.shellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(opened.fileName, file);
    CCommandLineInfo folder
        = CCommandLineInfo::Parse({ QStringLiteral("viewer"), dir.path() + QStringLiteral("/") });
    EXPECT_EQ(folder.shellCommand, CCommandLineInfo::FileNew);
    EXPECT_EQ(folder.folder, QDir::toNativeSeparators(dir.path()));
    // A missing file is still the document to open; opening it fails later.
    CCommandLineInfo missing
        = CCommandLineInfo::Parse({ QStringLiteral("viewer"), QStringLiteral("/no/such.jpg") });
    EXPECT_EQ(missing.shellCommand, CCommandLineInfo::FileOpen);
}

class RefusingHelp : public CHtmlHelp
{
public:
    int launches = 0;

protected:
    bool Launch(const QString &) override
    {
        ++launches;
        return false;
    }
};

TEST(HtmlHelpTest, MissingFileShowsNothingAndRefusalStopsLaterRequests)
{
    TestApp();
    QTemporaryDir dir;
    RefusingHelp help;
    EXPECT_FALSE(help.DisplayTopic(dir.filePath(QStringLiteral("pexora.chm"))));
    EXPECT_EQ(help.launches, 0);
    EXPECT_FALSE(help.HasFailed());
    const QString chm = dir.filePath(QStringLiteral("pexora.chm"));
    QFile(chm).open(QIODevice::WriteOnly);
    EXPECT_FALSE(help.DisplayTopic(chm));
    EXPECT_TRUE(help.HasFailed());
    EXPECT_FALSE(help.DisplayTopic(chm));
    EXPECT_EQ(help.launches, 1);
}

TEST(ShellOpenTest, OnlyExistingFilesReachTheDesktop)
{
    TestApp();
    EXPECT_FALSE(ShellOpen(QString()));
    EXPECT_FALSE(ShellOpen(QStringLiteral("/no/such/duruzezivare.exe")));
}

} // namespace
