#include "frame/mainframe.h"

#include "appcore/appsettings.h"
#include "appcore/htmlhelp.h"
#include "appcore/programfolder.h"
#include "appcore/recentfilelist.h"
#include "appcore/shellopen.h"
#include "dialogs/propertiesdlg.h"
#include "frame/browserpanes.h"
#include "frame/dialogfactory.h"
#include "frame/filefilter.h"
#include "frame/mainstatusbar.h"
#include "frame/panefactory.h"
#include "frame/toolbarex.h"
#include "paneapi/ianimatedpane.h"
#include "paneapi/ifolderpane.h"
#include "paneapi/iimagepane.h"
#include "paneapi/ithumbpane.h"
#include "res/menus.h"
#include "res/resource.h"
#include "res/resources.h"
#include "res/strings.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStatusTipEvent>

namespace
{

constexpr UINT kIndicators[] = {
    ID_INDICATOR_PATH,
    ID_INDICATOR_DIMENSIONS,
    ID_INDICATOR_COLORS,
    ID_INDICATOR_FILE_SIZE,
    ID_INDICATOR_POSITION,
    ID_SEPARATOR,
};

constexpr int kRecentFileCount = 4;

// What the Open (save false) and Save As dialogs share: the picture filters, links shown as they
// are, and the starting folder when there is one.
void SetUpPictureDialog(QFileDialog &dialog, bool save, const QString &folder)
{
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontResolveSymlinks);
    dialog.setNameFilters(PictureNameFilters(LoadResString(IDS_FILE_FILTER), save));
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
}

// Runs the dialog: the chosen file with the system's separators, empty when it was cancelled.
QString ChosenFile(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

} // namespace

CMainFrame::CMainFrame(QWidget *parent)
    : TFrameWnd(parent)
{
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowIcon(LoadIconResource(IDI_MAINFRAME));
    setWindowTitle(LoadResString(AFX_IDS_APP_TITLE));
    SetMainFrame(this);
}

CMainFrame::~CMainFrame()
{
    OnDestroy();
    if (GetMainFrame() == this)
        SetMainFrame(nullptr);
}

QString CMainFrame::FrameTitle(const QString &documentTitle, const QString &applicationTitle)
{
    if (documentTitle.isEmpty())
        return applicationTitle;
    return documentTitle + QStringLiteral(" - ") + applicationTitle;
}

void CMainFrame::OnUpdateFrameTitle(const QString &documentTitle)
{
    m_documentTitle = documentTitle;
    const QString title = FrameTitle(documentTitle, ResSubString(IDR_MAINFRAME, 0));
    setWindowTitle(m_pictureModified ? QStringLiteral("* ") + title : title);
}

void CMainFrame::PictureSavedAs(const QString &path)
{
    IFolderPane *folder = GetFolderPane();
    IThumbPane *thumbs = GetThumbPane();
    if (!folder || !thumbs)
        return;
    const QString shown = folder->GetSelectedPath();
    if (!shown.isEmpty() && QFileInfo(shown).absoluteFilePath() == QFileInfo(path).absolutePath())
        thumbs->SetFolder(shown, 1);
}

void CMainFrame::SetPictureModified(bool modified)
{
    if (modified != m_pictureModified) {
        m_pictureModified = modified;
        OnUpdateFrameTitle(m_documentTitle);
    }
    // Undo and Redo follow the pane's steps.
    if (!m_destroyed)
        UpdateCommandUI();
}

bool CMainFrame::Create(TCreateContext *context)
{
    if (context)
        m_context = *context;
    m_context.frame = this;
    BuildActions();
    BuildMenus();

    // 1. The client area (the frame's own creation).
    OnCreateClient(&m_context);

    // 2. Toolbars; a failure leaves an empty bar.
    m_mainToolBar = new CToolBarEx(QStringLiteral("Tool Bar"), this);
    m_mainToolBar->setObjectName(QStringLiteral("MainToolBar"));
    m_mainToolBar->SetActionLookup([this](UINT id) { return GetCommandAction(id); });
    m_mainToolBar->LoadToolBar(IDR_TOOLBAR_MAIN);
    m_editToolBar = new CToolBarEx(QStringLiteral("Edit Bar"), this);
    m_editToolBar->setObjectName(QStringLiteral("EditToolBar"));
    m_editToolBar->SetActionLookup([this](UINT id) { return GetCommandAction(id); });
    m_editToolBar->LoadToolBar(IDR_TOOLBAR_EDIT);

    // 3. Status bar.
    m_statusBar = new CMainStatusBar(this);
    if (!m_statusBar->SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators)))) {
        delete m_statusBar;
        m_statusBar = nullptr;
        return false;
    }
    m_statusBar->SetMessageText(LoadResString(AFX_IDS_IDLEMESSAGE));
    setStatusBar(m_statusBar);

    // 4. Shown maximised; restoring it gives three quarters of the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        resize(area.width() * 3 / 4, area.height() * 3 / 4);
        move(area.center() - rect().center());
    }
    showMaximized();

    // 5. Docking: both bars start at the top, the main toolbar first; the edit toolbar may only
    // be moved to the right side.
    m_mainToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_editToolBar->setAllowedAreas(Qt::RightToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_mainToolBar);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_editToolBar);
    connect(m_mainToolBar, &QToolBar::visibilityChanged, this, [this] { UpdateCommandUI(); });

    // 6. The start counter.
    AdvanceStartCounter();

    UpdateCommandUI();
    return true;
}

bool CMainFrame::OnCreateClient(TCreateContext *context)
{
    auto *outer = new TVisualPane(IDV_OUTER_SPLITTER, QString(), 1, 2, context);
    auto *inner = new TVisualPane(IDV_INNER_SPLITTER, 0, 1, 2, 1, context);
    auto *folder = new TVisualPane(IDV_FOLDER_PANE, 0, 0, context, &FolderPaneClass(), 150, 200);
    auto *thumbs = new TVisualPane(IDV_THUMB_PANE, 1, 0, context, &ThumbPaneClass(), 150, 0);
    auto *image = new TVisualPane(IDV_IMAGE_PANE, 0, 0, context, &ImagePaneClass(), 800, 0);
    folder->SetHotKey('1');
    thumbs->SetHotKey('2');
    image->SetHotKey('3');
    m_framework.Add(outer);
    m_framework.Add(outer, inner);
    m_framework.Add(inner, folder);
    m_framework.Add(inner, thumbs);
    m_framework.Add(outer, image);
    m_framework.Create(this);
    return true;
}

void CMainFrame::BuildActions()
{
    std::vector<UINT> ids;
    for (const PopupResource &popup : LoadMenuResource(IDR_MAINFRAME))
        for (const MenuItemResource &item : popup.items)
            if (!item.IsSeparator())
                ids.push_back(item.id);
    for (const FrameCommand &command : MainFrameCommands())
        ids.push_back(command.id);
    for (const AcceleratorResource &accelerator : LoadAcceleratorResource(IDR_MAINFRAME))
        ids.push_back(accelerator.id);
    for (UINT id : ids) {
        if (m_actions.count(id))
            continue;
        auto *action = new QAction(this);
        action->setData(id);
        action->setText(ResSubString(id, 1));
        const QString prompt = ResSubString(id, 0);
        action->setStatusTip(prompt);
        action->setToolTip(ResSubString(id, 1));
        action->setCheckable(IsSelectionToolCommand(id) || id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        addAction(action);
        m_actions[id] = action;
    }
    for (const PopupResource &popup : LoadMenuResource(IDR_MAINFRAME))
        for (const MenuItemResource &item : popup.items)
            if (!item.IsSeparator())
                m_actions[item.id]->setText(QString::fromUtf8(item.text));
    std::map<UINT, QList<QKeySequence>> keys;
    for (const AcceleratorResource &accelerator : LoadAcceleratorResource(IDR_MAINFRAME))
        keys[accelerator.id].append(accelerator.keys);
    for (const auto &[id, sequences] : keys)
        m_actions[id]->setShortcuts(sequences);
    if (QAction *redo = GetCommandAction(ID_EDIT_REDO))
        redo->setShortcuts(
            { QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) });
}

void CMainFrame::BuildMenus()
{
    QMenuBar *bar = menuBar();
    bar->clear();
    for (const PopupResource &popup : LoadMenuResource(IDR_MAINFRAME)) {
        QMenu *menu = bar->addMenu(QString::fromUtf8(popup.title));
        for (const MenuItemResource &item : popup.items) {
            if (item.IsSeparator())
                menu->addSeparator();
            else
                menu->addAction(m_actions[item.id]);
        }
        if (menu->actions().contains(m_actions[ID_FILE_MRU_FILE1]))
            m_fileMenu = menu;
        connect(menu, &QMenu::aboutToShow, this, [this] {
            UpdateRecentFileItems();
            UpdateCommandUI();
        });
    }
}

void CMainFrame::UpdateRecentFileItems()
{
    if (!m_fileMenu)
        return;
    for (QAction *action : m_recentFileActions) {
        m_fileMenu->removeAction(action);
        delete action;
    }
    m_recentFileActions.clear();
    QAction *placeholder = m_actions[ID_FILE_MRU_FILE1];
    const int count = m_recentFiles ? std::min(m_recentFiles->GetCount(), kRecentFileCount) : 0;
    placeholder->setVisible(count == 0);
    for (int i = 0; i < count; ++i) {
        const UINT id = ID_FILE_MRU_FILE1 + static_cast<UINT>(i);
        auto *action = new QAction(m_recentFiles->GetDisplayName(i), m_fileMenu);
        action->setData(id);
        action->setStatusTip(ResSubString(id, 0));
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        m_fileMenu->insertAction(placeholder, action);
        m_recentFileActions.append(action);
    }
}

QAction *CMainFrame::GetCommandAction(UINT id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QMenu *CMainFrame::createPopupMenu()
{
    return nullptr;
}

bool CMainFrame::OnCmdMsg(UINT id, TCmdUI *update)
{
    const FrameCommand *command = FindFrameCommand(id);
    if (!command)
        return false;
    if (!update) {
        Execute(*command);
        return true;
    }
    update->Enable(true);
    if (command->action == FrameAction::Undo || command->action == FrameAction::Redo) {
        const IImagePane *image = GetImagePane();
        update->Enable(image && (command->action == FrameAction::Undo ? image->CanUndo() : image->CanRedo()));
    } else if (IsSelectionToolCommand(id)) {
        update->SetRadio(static_cast<int>(id - ID_TOOL_SELECT) == m_currentOperation);
    } else if (id == ID_VIEW_TOOLBAR) {
        update->SetCheck(m_mainToolBar && !m_mainToolBar->isHidden());
    } else if (id == ID_VIEW_STATUS_BAR) {
        update->SetCheck(m_statusBar && !m_statusBar->isHidden());
    }
    return true;
}

bool CMainFrame::OnCommand(UINT id)
{
    if (!QueryCommandState(id).enabled)
        return false;
    bool handled = OnCmdMsg(id, nullptr);
    if (!handled) {
        if (auto *view = dynamic_cast<TCmdTarget *>(GetActiveView()))
            handled = view->OnCmdMsg(id, nullptr);
    }
    if (!handled && m_app)
        handled = m_app->OnCmdMsg(id, nullptr);
    if (!m_destroyed)
        UpdateCommandUI();
    return handled;
}

TCmdUI CMainFrame::QueryCommandState(UINT id)
{
    TCmdUI ui;
    ui.id = id;
    if (OnCmdMsg(id, &ui))
        return ui;
    if (auto *view = dynamic_cast<TCmdTarget *>(GetActiveView()); view && view->OnCmdMsg(id, &ui))
        return ui;
    if (m_app && m_app->OnCmdMsg(id, &ui))
        return ui;
    ui.Enable(false);
    return ui;
}

void CMainFrame::UpdateCommandUI()
{
    for (const auto &[id, action] : m_actions) {
        const TCmdUI ui = QueryCommandState(id);
        action->setEnabled(ui.enabled);
        if (action->isCheckable())
            action->setChecked(ui.checked);
    }
}

void CMainFrame::Execute(const FrameCommand &command)
{
    switch (command.action) {
    case FrameAction::PostOperation:
        if (!m_framework.GetWindow(IDV_IMAGE_PANE))
            return;
        PostToImagePane(WMU_IMAGE_OPERATION, static_cast<WPARAM>(command.code), 0);
        if (command.stored)
            m_currentOperation = command.code;
        break;
    case FrameAction::PostViewZoom:
        PostToImagePane(WMU_IMAGE_OPERATION, kOperationViewZoom, static_cast<LPARAM>(command.id));
        break;
    case FrameAction::PostTools:
        PostToImagePane(WMU_TOOLS_COMMAND, command.id, 0);
        break;
    case FrameAction::PostEffect:
        PostToImagePane(WMU_EFFECT_COMMAND, command.param, 0);
        break;
    case FrameAction::OpenPicture:
        OnOpenPicture();
        break;
    case FrameAction::SavePicture:
        if (IImagePane *image = GetImagePane())
            image->Save(QString());
        break;
    case FrameAction::SavePictureAs:
        OnSavePictureAs();
        break;
    case FrameAction::PreviousPicture:
        OnStepPicture(false);
        break;
    case FrameAction::NextPicture:
        OnStepPicture(true);
        break;
    case FrameAction::FitWidth:
        if (IImagePane *image = GetImagePane())
            image->Fit(1);
        break;
    case FrameAction::FitHeight:
        if (IImagePane *image = GetImagePane())
            image->Fit(2);
        break;
    case FrameAction::BatchConvert:
        OnBatchConvert();
        break;
    case FrameAction::Help:
        AppHtmlHelp().DisplayTopic(HelpFilePath());
        break;
    case FrameAction::ToggleToolBar:
        if (m_mainToolBar)
            m_mainToolBar->setVisible(m_mainToolBar->isHidden());
        break;
    case FrameAction::ToggleStatusBar:
        if (m_statusBar)
            m_statusBar->setVisible(m_statusBar->isHidden());
        break;
    case FrameAction::Exit:
        close();
        break;
    case FrameAction::NextPane:
        m_framework.ActivateNextPane(false);
        break;
    case FrameAction::PreviousPane:
        m_framework.ActivateNextPane(true);
        break;
    case FrameAction::Undo:
        if (IImagePane *image = GetImagePane())
            image->Undo();
        break;
    case FrameAction::Redo:
        if (IImagePane *image = GetImagePane())
            image->Redo();
        break;
    case FrameAction::Properties:
        OnProperties();
        break;
    case FrameAction::ToggleAnimation:
        if (auto *animated = dynamic_cast<IAnimatedPane *>(m_framework.GetWindow(IDV_IMAGE_PANE)))
            animated->ToggleAnimation();
        break;
    }
}

void CMainFrame::PostToImagePane(UINT message, WPARAM wParam, LPARAM lParam)
{
    QWidget *window = m_framework.GetWindow(IDV_IMAGE_PANE);
    if (IImagePane *image = GetImagePane())
        window = image->Window();
    PostPaneMessage(window, message, wParam, lParam);
}

IImagePane *CMainFrame::GetImagePane() const
{
    return dynamic_cast<IImagePane *>(m_framework.GetWindow(IDV_IMAGE_PANE));
}

IThumbPane *CMainFrame::GetThumbPane() const
{
    return dynamic_cast<IThumbPane *>(m_framework.GetWindow(IDV_THUMB_PANE));
}

IFolderPane *CMainFrame::GetFolderPane() const
{
    return dynamic_cast<IFolderPane *>(m_framework.GetWindow(IDV_FOLDER_PANE));
}

void CMainFrame::OnOpenPicture()
{
    QFileDialog dialog(this, QStringLiteral("Open"));
    SetUpPictureDialog(dialog, false, DialogFolder());
    const QString path = ChosenFile(dialog);
    IImagePane *image = GetImagePane();
    if (image && !path.isEmpty())
        image->Open(path);
}

QString CMainFrame::DialogFolder() const
{
    if (const IImagePane *image = GetImagePane(); image && !image->PicturePath().isEmpty())
        return QFileInfo(image->PicturePath()).absolutePath();
    if (const IFolderPane *folder = GetFolderPane())
        return folder->GetSelectedPath();
    return QString();
}

void CMainFrame::OnSavePictureAs()
{
    QFileDialog dialog(this, QStringLiteral("Save As"));
    SetUpPictureDialog(dialog, true, DialogFolder());
    // "jpg" until a filter of one extension is chosen; then that extension.
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        dialog.setDefaultSuffix(NameFilterExtension(filter, QStringLiteral("jpg")));
    });
    // The picture's own name, else the usual "untitle".
    const IImagePane *shown = GetImagePane();
    const QString own = shown ? QFileInfo(shown->PicturePath()).fileName() : QString();
    dialog.selectFile(own.isEmpty() ? QStringLiteral("untitle") : own);
    const QString path = ChosenFile(dialog);
    IImagePane *image = GetImagePane();
    if (image && !path.isEmpty())
        image->Save(path);
}

void CMainFrame::OnStepPicture(bool next)
{
    IImagePane *image = GetImagePane();
    if (!image)
        return;
    if (!image->ConfirmLeave())
        return;
    if (image->PageCount() > 1 && image->GotoPage(next))
        return;
    IThumbPane *thumbs = GetThumbPane();
    if (!thumbs)
        return;
    if (next)
        thumbs->SelectNext();
    else
        thumbs->SelectPrevious();
    image->Open(thumbs->GetCurrentFile());
    DecodeNeighbours(next);
}

void CMainFrame::DecodeNeighbours(bool forward)
{
    IImagePane *image = GetImagePane();
    IThumbPane *thumbs = GetThumbPane();
    if (!image || !thumbs)
        return;
    // The direction of travel first.
    image->DecodeAhead({ thumbs->NeighbourFile(forward), thumbs->NeighbourFile(!forward) });
}

void CMainFrame::OnBatchConvert()
{
    IFolderPane *folder = GetFolderPane();
    if (!folder)
        return;
    const QString path = folder->GetSelectedPath();
    RunBatchConvertDialog(this, path, path);
}

void CMainFrame::OnProperties()
{
    IThumbPane *thumbs = GetThumbPane();
    const QString path = thumbs ? thumbs->GetCurrentFile() : QString();
    if (path.isEmpty())
        return;
    CPropertiesDlg dialog(path, this);
    dialog.exec();
}

int CMainFrame::OnThumbChosen()
{
    IThumbPane *thumbs = GetThumbPane();
    if (!thumbs)
        return -1;
    const QString path = thumbs->GetCurrentFile();
    IImagePane *image = GetImagePane();
    if (!image)
        return 0;
    if (!image->ConfirmLeave()) {
        // The edited picture stays, and so does its highlight in the grid.
        if (auto *framed = dynamic_cast<CFramedThumbPane *>(thumbs);
            framed && !image->PicturePath().isEmpty())
            framed->SelectAfterLoad(image->PicturePath());
        return 0;
    }
    image->Open(path);
    DecodeNeighbours(true);
    return 0;
}

void CMainFrame::ShowPicture(const QString &path)
{
    if (auto *thumbs = dynamic_cast<CFramedThumbPane *>(GetThumbPane()))
        thumbs->SelectAfterLoad(path);
    if (IImagePane *image = GetImagePane())
        image->Open(path);
    DecodeNeighbours(true);
}

int CMainFrame::OnFolderChanged()
{
    IFolderPane *folder = GetFolderPane();
    if (!folder)
        return -1;
    const QString path = folder->GetSelectedPath();
    if (IImagePane *image = GetImagePane())
        image->ForgetDecoded();
    if (IThumbPane *thumbs = GetThumbPane())
        thumbs->SetFolder(path, 1);
    if (UpdaterDue())
        ShellOpen(ProgramFolderFile(kUpdaterFileName));
    return 0;
}

void CMainFrame::SetStatusPaneText(int index, const QString &text)
{
    if (!m_statusBar)
        return;
    QImage icon;
    if (index == 4)
        icon = LoadMappedBitmap(IDB_STATUS_POSITION, m_statusBar->palette());
    else if (index == 1)
        icon = LoadMappedBitmap(IDB_STATUS_DIMENSIONS, m_statusBar->palette());
    m_statusBar->DrawPaneOverlay(index, icon, text);
}

bool CMainFrame::event(QEvent *event)
{
    if (const PaneMessageEvent *message = PaneMessageEvent::From(event)) {
        if (message->Message() == WMU_THUMB_CHOSEN)
            OnThumbChosen();
        else if (message->Message() == WMU_NEXT_PICTURE)
            OnStepPicture(true);
        else if (message->Message() == WMU_PREVIOUS_PICTURE)
            OnStepPicture(false);
        else if (message->Message() == WMU_FOLDER_CHANGED)
            OnFolderChanged();
        return true;
    }
    if (event->type() == QEvent::StatusTip) {
        if (m_statusBar) {
            const QString tip = static_cast<QStatusTipEvent *>(event)->tip();
            m_statusBar->SetMessageText(tip.isEmpty() ? LoadResString(AFX_IDS_IDLEMESSAGE) : tip);
        }
        return true;
    }
    return TFrameWnd::event(event);
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    if (IImagePane *image = m_destroyed ? nullptr : GetImagePane(); image && !image->ConfirmLeave()) {
        event->ignore();
        return;
    }
    TFrameWnd::closeEvent(event);
    if (event->isAccepted())
        OnDestroy();
}

void CMainFrame::OnDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_framework.Destroy();
}
