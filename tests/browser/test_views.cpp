// The folder tree and its pane: filling on demand, expand buttons, the start-path walk, "Folder not
// found", the notifications, and the start on "lastpath" (storing it at shutdown is a frame test).
#include "appcore/appsettings.h"
#include "browser/shelltree.h"
#include "browser/viewfolder.h"
#include "browser_testutil.h"

#include <QDir>
#include <QSignalSpy>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{

QString Q(const fs::path &p)
{
    return QString::fromStdString(p.string());
}

class ViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(tree.Path() / "Photos" / "2007" / "March");
        fs::create_directories(tree.Path() / "photos");
        fs::create_directories(tree.Path() / "empty");
        fs::create_directories(tree.Path() / ".hidden" / "inside");
        std::ofstream((tree.Path() / "file.txt").string()) << "x";
    }

    static QStringList ChildTexts(QTreeWidgetItem *node)
    {
        QStringList texts;
        for (int i = 0; i < node->childCount(); ++i)
            texts << node->child(i)->text(0);
        return texts;
    }

    TempSettings settings;
    MessageRecorder recorder;
    TempFolder tree;
};

} // namespace

TEST_F(ViewTest, TreeFillsOnDemandSortedWithExpandButtons)
{
    CShellTree t;
    t.PopulateTree();
    ASSERT_GT(t.topLevelItemCount(), 0);
    EXPECT_EQ(t.currentItem(), t.topLevelItem(0));
    EXPECT_TRUE(t.topLevelItem(0)->isExpanded());

    t.SelectPath(Q(tree.Path()));
    QTreeWidgetItem *base = t.currentItem();
    ASSERT_EQ(CShellTree::NodePath(base), QDir::toNativeSeparators(Q(tree.Path())));
    // Folders only, hidden ones left out, names in order; exact case wins the walk.
    QStringList texts = ChildTexts(base);
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[0], "empty");
    EXPECT_EQ(texts.mid(1).join(",").toLower(), "photos,photos");
    QTreeWidgetItem *photos = base->child(texts.indexOf("Photos"));
    QTreeWidgetItem *empty = base->child(0);
    EXPECT_EQ(photos->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    EXPECT_EQ(photos->childCount(), 0);
    EXPECT_FALSE(CShellTree::ExpandedOnce(photos));

    photos->setExpanded(true);
    photos->setExpanded(false);
    photos->setExpanded(true);
    EXPECT_EQ(ChildTexts(photos), (QStringList { "2007" }));
    // Selecting a node that was expanded before does not fill it twice.
    t.setCurrentItem(photos);
    EXPECT_EQ(photos->childCount(), 1);
}

TEST_F(ViewTest, SelectPathWalksAndNotifiesEveryChange)
{
    CShellTree t;
    t.PopulateTree();
    QSignalSpy changes(&t, &CShellTree::nodeSelected);
    QString target = Q(tree.Path() / "Photos" / "2007" / "March");
    t.SelectPath(target + QDir::separator());
    EXPECT_EQ(CShellTree::NodePath(t.currentItem()), QDir::toNativeSeparators(target));
    EXPECT_GE(changes.count(), 4);
    QString path = QStringLiteral("unchanged");
    EXPECT_TRUE(t.GetSelectedPath(path));
    EXPECT_EQ(path, QDir::toNativeSeparators(target));

    // A walk into a hidden folder stops at the last folder the tree shows.
    t.SelectPath(Q(tree.Path() / ".hidden" / "inside"));
    EXPECT_EQ(CShellTree::NodePath(t.currentItem()), Q(tree.Path()));

    EXPECT_TRUE(recorder.messages.empty());
    t.SelectPath(Q(tree.Path() / "gone"));
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, Q(tree.Path() / "gone"));
    EXPECT_EQ(recorder.messages[0].caption, QStringLiteral("Folder not found"));
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Stop);
}

TEST_F(ViewTest, FolderPaneStartsOnLastPath)
{
    QString target = Q(tree.Path() / "Photos" / "2007");
    WriteLastPath(target);
    CViewFolder pane;
    QSignalSpy changed(&pane, &CViewFolder::folderChanged);
    EXPECT_EQ(pane.GetSelectedPath(), target); // the root selected while building does not replace it
    ASSERT_TRUE(WaitUntil([&] { return changed.count() > 0 && pane.GetSelectedPath() == target; }));
    EXPECT_EQ(CShellTree::NodePath(pane.Tree()->currentItem()), target);

    // Selecting the same node again still notifies, with the same path.
    int before = changed.count();
    pane.Tree()->setCurrentItem(pane.Tree()->currentItem()->parent());
    pane.Tree()->setCurrentItem(pane.Tree()->currentItem()->child(0));
    EXPECT_EQ(changed.count(), before + 2);
    EXPECT_EQ(pane.GetSelectedPath(), target);

    // A start path that no longer exists: one box, the tree stays at its root.
    WriteLastPath(Q(tree.Path() / "vanished"));
    recorder.messages.clear();
    CViewFolder stale;
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(stale.Tree()->currentItem(), stale.Tree()->topLevelItem(0));
}

TEST_F(ViewTest, DefaultFolderIsPicturesElseHome)
{
    QByteArray home = qgetenv("HOME");
    qputenv("HOME", tree.Str().c_str());
    EXPECT_EQ(DefaultStartFolder(), Q(tree.Path()));
    fs::create_directories(tree.Path() / "Pictures");
    EXPECT_EQ(DefaultStartFolder(), Q(tree.Path() / "Pictures"));
    EXPECT_EQ(ReadStartFolder(), Q(tree.Path() / "Pictures"));
    qputenv("HOME", home);
}
