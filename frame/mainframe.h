// The main frame: the three-pane layout through the pane framework, the menu, both toolbars, the
// status bar and the command table. Picture commands are posted to the image pane; file commands
// call the panes directly; the browser's two private messages are relayed between the panes.
#pragma once

#include "frame/commandtable.h"
#include "framework/tcmdtarget.h"
#include "framework/tframewnd.h"
#include "framework/tvisualframework.h"
#include "paneapi/imainframe.h"
#include "paneapi/panemessage.h"

#include <QList>
#include <map>

class CMainStatusBar;
class CRecentFileList;
class CToolBarEx;
class IFolderPane;
class IImagePane;
class IThumbPane;
class QAction;
class QMenu;

class CMainFrame : public TFrameWnd, public TCmdTarget, public IMainFrame
{
    Q_OBJECT
public:
    explicit CMainFrame(QWidget *parent = nullptr);
    ~CMainFrame() override;

    // Builds the window (client area, toolbars, status bar), shows it maximised and advances the
    // start counter. False when the status bar cannot be made.
    bool Create(TCreateContext *context = nullptr);

    // The next target on the command route (the application object).
    void SetAppCommandTarget(TCmdTarget *target) { m_app = target; }
    // The list the File menu shows its recent files from.
    void SetRecentFileList(const CRecentFileList *list) { m_recentFiles = list; }

    // Sets the window title from the document's title and the application's title.
    void OnUpdateFrameTitle(const QString &documentTitle);
    // "document - application", or the application alone without a document title.
    static QString FrameTitle(const QString &documentTitle, const QString &applicationTitle);

    // Runs command id along the route (frame, active view, application); false when unhandled.
    bool OnCommand(UINT id);
    // The enabled and checked state of id along the route; disabled when nobody handles it.
    TCmdUI QueryCommandState(UINT id);
    // Applies every command's state to its actions.
    void UpdateCommandUI();
    bool OnCmdMsg(UINT id, TCmdUI *update) override;

    // Opens the picture at path in the image pane and selects it in the thumbnail grid once the
    // grid shows its folder (a picture named on the command line).
    void ShowPicture(const QString &path);

    // Handlers of the relayed private messages; −1 when the pane they need is missing.
    int OnThumbChosen();
    int OnFolderChanged();

    void SetStatusPaneText(int index, const QString &text) override;
    void SetPictureModified(bool modified) override;
    void PictureSavedAs(const QString &path) override;
    QObject *MessageTarget() override { return this; }

    QAction *GetCommandAction(UINT id) const;
    int GetCurrentOperation() const { return m_currentOperation; }
    TVisualFramework &GetFramework() { return m_framework; }
    CToolBarEx *GetMainToolBar() const { return m_mainToolBar; }
    CToolBarEx *GetEditToolBar() const { return m_editToolBar; }
    CMainStatusBar *GetStatusBar() const { return m_statusBar; }
    IImagePane *GetImagePane() const;
    IThumbPane *GetThumbPane() const;
    IFolderPane *GetFolderPane() const;

    QMenu *createPopupMenu() override;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool OnCreateClient(TCreateContext *context);
    void BuildActions();
    void BuildMenus();
    void UpdateRecentFileItems();
    void Execute(const FrameCommand &command);
    void PostToImagePane(UINT message, WPARAM wParam, LPARAM lParam);
    void OnOpenPicture();
    // The folder file dialogs start in: the shown picture's, else the grid's.
    QString DialogFolder() const;
    void OnSavePictureAs();
    void OnStepPicture(bool next);
    // The grid's neighbours of the shown picture are decoded ahead, the direction of travel first.
    void DecodeNeighbours(bool forward);
    void OnBatchConvert();
    void OnProperties();
    void OnDestroy();

    TVisualFramework m_framework;
    CMainStatusBar *m_statusBar = nullptr;
    CToolBarEx *m_mainToolBar = nullptr;
    CToolBarEx *m_editToolBar = nullptr;
    int m_currentOperation = 0;

    TCreateContext m_context;
    TCmdTarget *m_app = nullptr;
    const CRecentFileList *m_recentFiles = nullptr;
    std::map<UINT, QAction *> m_actions;
    QMenu *m_fileMenu = nullptr;
    QList<QAction *> m_recentFileActions;
    bool m_destroyed = false;
    QString m_documentTitle;
    bool m_pictureModified = false;
};
