#include "app/commandlineinfo.h"
#include "appcore/appsettings.h"
#include "appcore/htmlhelp.h"
#include "appcore/programfolder.h"
#include "appcore/recentfilelist.h"
#include "appcore/regstring.h"
#include "appcore/shellopen.h"
#include "tests/common/qtapp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { SetCommandLineFolder(QString()); }

    TempSettings m_settings;
};

TEST_F(SettingsTest, RegStringsRoundTripThroughTheSettingsFile)
{
    QString out = u"untouched"_s;
    EXPECT_EQ(ReadRegString(kSettingKey, kLastPathValue, out), 0); // missing value
    WriteRegString(kSettingKey, kLastPathValue, QString()); // an existing but empty value
    EXPECT_EQ(ReadRegString(kSettingKey, kLastPathValue, out), 0);
    EXPECT_EQ(out, u"untouched"_s);
    WriteLastPath(u"/data/pictures"_s);
    EXPECT_EQ(ReadRegString(kSettingKey, kLastPathValue, out), 1);
    EXPECT_EQ(out, u"/data/pictures"_s);
    QSettings raw(m_settings.Path() + u"/TarnisTech/pexora.conf"_s, QSettings::IniFormat);
    EXPECT_EQ(raw.value(u"setting/lastpath"_s).toString(), u"/data/pictures"_s);
    EXPECT_EQ(ReadRegString(u"Software\\TarnisTech\\pexora\\other"_s, kLastPathValue, out), 0);

    // A missing key is created; keys that name no store are ignored silently.
    const QString key = u"Software\\TarnisTech\\pexora\\new\\deeper"_s;
    WriteRegString(key, u"name"_s, u"value"_s);
    EXPECT_EQ(ReadRegString(key, u"name"_s, out), 1);
    EXPECT_EQ(out, u"value"_s);
    DeleteRegKey(key);
    EXPECT_EQ(ReadRegString(key, u"name"_s, out), 0);
    QString organisation, application, group;
    EXPECT_FALSE(SplitRegKey(u"Hardware\\A\\B"_s, organisation, application, group));
    EXPECT_FALSE(SplitRegKey(u"Software\\OnlyOne"_s, organisation, application, group));
    WriteRegString(u"Software"_s, u"x"_s, u"y"_s);
    EXPECT_EQ(ReadRegString(u"Software"_s, u"x"_s, out), 0);
}

TEST_F(SettingsTest, StartFolderPrefersCommandLineThenLastPathThenDefault)
{
    EXPECT_EQ(ReadStartFolder(), DefaultStartFolder());
    EXPECT_FALSE(DefaultStartFolder().isEmpty());
    WriteLastPath(u"/last"_s);
    EXPECT_EQ(ReadStartFolder(), u"/last"_s);
    SetCommandLineFolder(u"/argument"_s);
    EXPECT_EQ(ReadStartFolder(), u"/argument"_s);
    SetCommandLineFolder(QString());
}

TEST_F(SettingsTest, StartCounterRule)
{
    EXPECT_EQ(AdvanceStartCounter(), 2u); // missing reads as 0, first start stores 2
    EXPECT_EQ(AdvanceStartCounter(), 3u);
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
    WriteRegString(kSettingKey, kRuntimesValue, u"garbage"_s);
    EXPECT_EQ(AdvanceStartCounter(), 2u);
}

TEST(ProgramFolderTest, CutBeforeTheLastSeparator)
{
    EXPECT_EQ(ProgramFolderFromModulePath(u"/opt/apps/viewer/tarnis-viewer"_s), u"/opt/apps/viewer"_s);
    EXPECT_EQ(ProgramFolderFromModulePath(u"tarnis-viewer"_s), u"tarnis-viewer"_s);
    EXPECT_EQ(ProgramFolderFromModulePath(u"/tarnis-viewer"_s), QString());
    EXPECT_EQ(ProgramFolderFromModulePath(u"/opt/apps/"_s), u"/opt/apps"_s);
    SetProgramFolder(u"/opt/apps/viewer"_s);
    EXPECT_EQ(HelpFilePath(), u"/opt/apps/share/tarnis-viewer/help/index.html"_s);
    EXPECT_EQ(ProgramFolderFile(kUpdaterFileName), u"/opt/apps/viewer/duruzezivare.exe"_s);
    // Help and the updater only start from files that exist.
    TestApp();
    EXPECT_FALSE(ShellOpen(QString()));
    EXPECT_FALSE(ShellOpen(u"/no/such/duruzezivare.exe"_s));
}

TEST_F(SettingsTest, RecentFileListKeepsFourNewestFirstAndRoundTrips)
{
    CRecentFileList list(4);
    for (const char16_t *name : { u"/a.jpg", u"/b.jpg", u"/c.jpg", u"/d.jpg", u"/x/two & more.png" })
        list.Add(QString::fromUtf16(name));
    list.Add(u"/b.jpg"_s); // moves to the front, no duplicate
    list.Add(QString());
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list[0], u"/b.jpg"_s);
    EXPECT_EQ(list[1], u"/x/two & more.png"_s);
    EXPECT_EQ(list[3], u"/c.jpg"_s);
    EXPECT_TRUE(list[9].isEmpty());
    list.WriteList();
    QSettings raw(m_settings.Path() + u"/Local AppWizard-Generated Applications/Tarnis Viewer.conf"_s,
        QSettings::IniFormat);
    EXPECT_EQ(raw.value(u"Recent File List/File2"_s).toString(), u"/x/two & more.png"_s);

    CRecentFileList read(4);
    read.ReadList();
    ASSERT_EQ(read.GetCount(), 4);
    EXPECT_EQ(read.GetDisplayName(1), u"&2 /x/two && more.png"_s);
    read.Remove(0);
    read.Remove(0);
    read.WriteList(); // a shorter list leaves no stale entry behind
    CRecentFileList again(4);
    again.ReadList();
    ASSERT_EQ(again.GetCount(), 2);
    EXPECT_EQ(again[0], u"/d.jpg"_s);
}

TEST(CommandLineTest, FileFolderAndOptions)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"picture.jpg"_s);
    QFile(file).open(QIODevice::WriteOnly);
    CCommandLineInfo none = CCommandLineInfo::Parse({ u"viewer"_s });
    EXPECT_EQ(none.shellCommand, CCommandLineInfo::FileNew);
    EXPECT_TRUE(none.folder.isEmpty());
    CCommandLineInfo opened = CCommandLineInfo::Parse({ u"viewer"_s, u"-p"_s, file });
    EXPECT_EQ(opened.shellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(opened.fileName, file);
    CCommandLineInfo folder = CCommandLineInfo::Parse({ u"viewer"_s, dir.path() + u"/"_s });
    EXPECT_EQ(folder.shellCommand, CCommandLineInfo::FileNew);
    EXPECT_EQ(folder.folder, QDir::toNativeSeparators(dir.path()));
    // A missing file is still the document to open; opening it fails later.
    EXPECT_EQ(
        CCommandLineInfo::Parse({ u"viewer"_s, u"/no/such.jpg"_s }).shellCommand, CCommandLineInfo::FileOpen);
}

TEST(ProgramFolderTest, UserGuideBesideTheProgramsInTheBuildFolder)
{
    // The build folder mirrors the installed layout: bin/ and share/tarnis-viewer/help/.
    SetProgramFolder(QStringLiteral(TARNIS_BINARY_DIR "/bin"));
    const QString guide = HelpFilePath();
    EXPECT_EQ(guide, QStringLiteral(TARNIS_BINARY_DIR "/share/tarnis-viewer/help/index.html"));
    QFile file(guide);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray html = file.readAll();
    EXPECT_TRUE(html.contains("<title>Tarnis Viewer user guide</title>"));
    // Its picture ships beside it.
    EXPECT_TRUE(html.contains("src=\"main-window.png\""));
    EXPECT_TRUE(QFile::exists(QFileInfo(guide).dir().filePath(QStringLiteral("main-window.png"))));
    SetProgramFolder(QString());
}

class RefusingHelp : public CHtmlHelp
{
public:
    int launches = 0;

protected:
    bool Launch(const QString &) override { return ++launches, false; }
};

TEST(HtmlHelpTest, MissingFileShowsNothingAndRefusalStopsLaterRequests)
{
    TestApp();
    QTemporaryDir dir;
    RefusingHelp help;
    const QString chm = dir.filePath(u"pexora.chm"_s);
    EXPECT_FALSE(help.DisplayTopic(chm));
    EXPECT_FALSE(help.HasFailed());
    QFile(chm).open(QIODevice::WriteOnly);
    EXPECT_FALSE(help.DisplayTopic(chm));
    EXPECT_TRUE(help.HasFailed());
    EXPECT_FALSE(help.DisplayTopic(chm));
    EXPECT_EQ(help.launches, 1);
}

} // namespace
