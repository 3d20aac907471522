#include "batch/batchconvertdlg.h"

#include "batch/batchconverter.h"
#include "batch/folderbrowser.h"
#include "codec/codexa.h"
#include "dialogs/dialogmessage.h"
#include "dialogs/dialogunits.h"
#include "dialogs/numbertext.h"
#include "res/resource.h"
#include "res/strings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace
{

const char *const kFormats[] = { "jpg", "bmp", "tif", "gif", "png", "tga", "pcx", "img", "mac" };

// The index of the checked button of a radio group; -1 when none is.
int CheckedIndex(QRadioButton *const (&buttons)[3])
{
    for (int i = 0; i < 3; ++i)
        if (buttons[i]->isChecked())
            return i;
    return -1;
}

void CheckIndex(QRadioButton *const (&buttons)[3], int index)
{
    for (int i = 0; i < 3; ++i)
        buttons[i]->setChecked(i == index);
}

} // namespace

CBatchConvertDlg::CBatchConvertDlg(QWidget *parent)
    : TDialog(parent)
{
    const DialogUnits du = SetUpDialog(this, QStringLiteral("Batch Convert"), 9, 249, 196);

    du.Place(new QGroupBox(QStringLiteral("Folder Options"), this), 0, 7, 4, 235, 64);
    du.Place(new QLabel(QStringLiteral("Source Folder:"), this), 0, 14, 19, 52, 8);
    m_sourceEdit = du.Add<QLineEdit>(IDC_SOURCE, 68, 17, 166, 12, this);
    du.Place(new QLabel(QStringLiteral("Target Folde:"), this), 0, 14, 35, 52, 8);
    m_targetEdit = du.Add<QLineEdit>(IDC_TARGET, 68, 33, 166, 12, this);
    m_browseButton = du.Add<QPushButton>(IDC_BROWSE, 184, 49, 50, 14, QStringLiteral("Browse..."), this);

    du.Place(new QGroupBox(QStringLiteral("File Options"), this), 0, 7, 71, 235, 60);
    du.Place(new QLabel(QStringLiteral("Format"), this), 0, 14, 85, 28, 8);
    m_formatList = du.Add<QComboBox>(IDC_FORMAT, 44, 83, 50, 12, this);
    du.Place(new QLabel(QStringLiteral("Width:"), this), 0, 14, 101, 28, 8);
    m_widthEdit = du.Add<QLineEdit>(IDC_WIDTH, 44, 99, 36, 12, this);
    du.Place(new QLabel(QStringLiteral("Pixel"), this), 0, 84, 101, 20, 8);
    du.Place(new QLabel(QStringLiteral("Height:"), this), 0, 14, 115, 28, 8);
    m_heightEdit = du.Add<QLineEdit>(IDC_HEIGHT, 44, 113, 36, 12, this);
    du.Place(new QLabel(QStringLiteral("Pixel"), this), 0, 84, 115, 20, 8);
    const char *const sizeTexts[] = { "Keep Original Size", "Use same size", "Keep ratio in Width x Height" };
    auto *sizeGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_sizeButtons[i] = du.Add<QRadioButton>(IDC_KEEP_SIZE + static_cast<UINT>(i), 112, 84 + 14 * i, 126,
            10, QString::fromLatin1(sizeTexts[i]), this);
        sizeGroup->addButton(m_sizeButtons[i], i);
    }
    m_reducedReadBox = du.Add<QCheckBox>(
        IDC_REDUCED_READ, 112, 121, 120, 9, QStringLiteral("Fast shrink (approximate)"), this);

    du.Place(new QGroupBox(QStringLiteral("Same name options"), this), 0, 7, 134, 235, 25);
    const char *const nameTexts[] = { "Overwrite", "Rename Automatically", "Skip" };
    const int nameX[] = { 14, 80, 176 };
    auto *nameGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_sameNameButtons[i] = du.Add<QRadioButton>(IDC_OVERWRITE + static_cast<UINT>(i), nameX[i], 145,
            i == 1 ? 92 : 60, 10, QString::fromLatin1(nameTexts[i]), this);
        nameGroup->addButton(m_sameNameButtons[i], i);
    }

    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    du.Place(m_progress, IDC_PROGRESS, 7, 164, 190, 9);
    m_counterText = du.Add<QLabel>(IDC_COUNTER, 203, 164, 39, 9, QStringLiteral("1/100"), this);

    m_startButton = du.Add<QPushButton>(IDC_START, 54, 178, 50, 14, QStringLiteral("Start"), this);
    m_stopButton = du.Add<QPushButton>(IDC_STOP, 112, 178, 50, 14, QStringLiteral("Stop"), this);
    m_stopButton->setEnabled(false);
    m_quitButton = du.Add<QPushButton>(IDC_QUIT, 170, 178, 50, 14, QStringLiteral("Quit"), this);
    for (QPushButton *button : { m_browseButton, m_startButton, m_stopButton, m_quitButton })
        button->setAutoDefault(false);

    for (const char *format : kFormats)
        m_formatList->addItem(QString::fromLatin1(format));
    // Later writable formats from the codec library's registry, by number, as their first extension.
    CodexaFormatInfo info {};
    for (int i = 0; CodexaFormatAt(i, &info) != 0; ++i)
        if (info.number >= CODEXA_CLASSIC_FORMATS && info.canWrite != 0 && info.extensions != nullptr
            && info.extensions[0] != nullptr)
            m_formatList->addItem(QString::fromLatin1(info.extensions[0] + 1));

    connect(m_browseButton, &QPushButton::clicked, this, &CBatchConvertDlg::OnBrowse);
    connect(m_startButton, &QPushButton::clicked, this, &CBatchConvertDlg::OnStart);
    connect(m_stopButton, &QPushButton::clicked, this, &CBatchConvertDlg::OnStop);
    connect(m_quitButton, &QPushButton::clicked, this, &CBatchConvertDlg::OnQuit);
}

CBatchConvertDlg::~CBatchConvertDlg()
{
    m_stopFlag = 1;
    if (m_run.joinable())
        m_run.join();
}

void CBatchConvertDlg::InitDialog()
{
    UpdateData(false);
    m_formatList->setCurrentIndex(0);
    m_progress->setRange(1, 100);
    m_progress->setValue(1);
}

bool CBatchConvertDlg::ReadSide(QLineEdit *edit, int &value)
{
    int v = 0;
    if (!ParseIntegerField(edit->text(), v)) {
        DialogMessage(this, AFX_IDP_PARSE_INT, QMessageBox::Information);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    if (v < kMinSide || v > kMaxSide) {
        DialogMessage(this,
            LoadResString(AFX_IDP_PARSE_INT_RANGE).arg(QString::number(kMinSide), QString::number(kMaxSide)),
            QMessageBox::Information);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    value = v;
    return true;
}

bool CBatchConvertDlg::UpdateData(bool saveAndValidate)
{
    if (!saveAndValidate) {
        m_heightEdit->setText(QString::number(m_height));
        m_widthEdit->setText(QString::number(m_width));
        m_sourceEdit->setText(m_sourceFolder);
        m_targetEdit->setText(m_targetFolder);
        CheckIndex(m_sizeButtons, m_sizeOption);
        CheckIndex(m_sameNameButtons, m_sameNameOption);
        return true;
    }
    if (!ReadSide(m_heightEdit, m_height) || !ReadSide(m_widthEdit, m_width))
        return false;
    m_sourceFolder = m_sourceEdit->text();
    m_targetFolder = m_targetEdit->text();
    m_sizeOption = CheckedIndex(m_sizeButtons);
    m_sameNameOption = CheckedIndex(m_sameNameButtons);
    return true;
}

void CBatchConvertDlg::OnBrowse()
{
    CFolderBrowser browser(this, LoadResString(IDS_SELECT_FOLDER));
    if (!browser.Browse())
        return;
    m_targetFolder = browser.GetFolderPath();
    UpdateData(false);
}

void CBatchConvertDlg::OnStart()
{
    if (m_running)
        return;
    // An invalid field has shown its message; the run goes on with the values held before.
    UpdateData(true);

    BatchJob job;
    job.extension = m_formatList->currentText().toStdString();
    job.sourceFolder = m_sourceFolder.toStdString();
    job.targetFolder = m_targetFolder.toStdString();
    job.width = m_width;
    job.height = m_height;
    job.sizeOption = m_sizeOption;
    job.sameNameOption = m_sameNameOption;
    job.threads = m_threads;
    job.reducedRead = m_reducedReadBox->isChecked();
    if (!PrepareTargetFolder() || !ConfirmReplace(CBatchConverter::CountReplacedInPlace(job)))
        return;
    m_startButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    m_counter = 0;
    m_stopFlag = 0;
    m_running = true;
    m_run = std::thread([this, job] {
        std::vector<std::string> unwritten;
        const int count = CBatchConverter().Run(
            job, m_stopFlag,
            [this](int counter) {
                QMetaObject::invokeMethod(
                    this, [this, counter] { OnConverted(counter); }, Qt::QueuedConnection);
            },
            &unwritten);
        QMetaObject::invokeMethod(
            this, [this, count, unwritten] { OnRunEnded(count, unwritten); }, Qt::QueuedConnection);
    });
}

void CBatchConvertDlg::OnStop()
{
    m_stopFlag = 1;
}

void CBatchConvertDlg::OnQuit()
{
    if (!UpdateData(true))
        return;
    if (m_running) {
        m_stopFlag = 1;
        m_closeWhenDone = QDialog::Accepted;
        return;
    }
    accept();
}

void CBatchConvertDlg::reject()
{
    // Esc during a run stops it, as the Stop button does.
    if (m_running) {
        m_stopFlag = 1;
        return;
    }
    QDialog::reject();
}

void CBatchConvertDlg::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        m_stopFlag = 1;
        m_closeWhenDone = QDialog::Rejected;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CBatchConvertDlg::OnConverted(int counter)
{
    m_counter = counter;
    m_counterText->setText(QString::asprintf("%d", counter));
    SetProgressPosition(counter % 100);
}

void CBatchConvertDlg::SetProgressPosition(int position)
{
    // Like the common progress control, a position outside the range shows as its nearest end.
    m_progressPosition = position;
    m_progress->setValue(std::clamp(position, m_progress->minimum(), m_progress->maximum()));
}

bool CBatchConvertDlg::PrepareTargetFolder()
{
    if (m_targetFolder.isEmpty() || QFileInfo(m_targetFolder).isDir())
        return true;
    if (!QFileInfo::exists(m_targetFolder) && QDir().mkpath(m_targetFolder))
        return true;
    DialogMessage(this,
        QStringLiteral("The target folder %1 cannot be created.")
            .arg(QDir::toNativeSeparators(m_targetFolder)));
    return false;
}

bool CBatchConvertDlg::ConfirmReplace(int count)
{
    if (count <= 0)
        return true;
    QMessageBox box(QMessageBox::Warning, LoadResString(AFX_IDS_APP_TITLE),
        QStringLiteral("%1 pictures in %2 will be replaced.")
            .arg(QString::number(count), QDir::toNativeSeparators(m_sourceFolder)),
        QMessageBox::Yes | QMessageBox::No, this);
    box.setInformativeText(QStringLiteral("Replace them?"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void CBatchConvertDlg::OnRunEnded(int count, const std::vector<std::string> &unwritten)
{
    if (m_run.joinable())
        m_run.join();
    m_running = false;
    m_counter = count;
    m_startButton->setEnabled(true);
    m_stopButton->setEnabled(false);
    QString summary = LoadResString(IDS_CONVERSION_FINISHED);
    summary.replace(QStringLiteral("%d"), QString::number(count));
    DialogMessage(this, summary, QMessageBox::Information);
    if (!unwritten.empty()) {
        QString text = QStringLiteral("%1 files could not be written:").arg(unwritten.size());
        for (const std::string &name : unwritten)
            text += QLatin1Char('\n') + QDir::toNativeSeparators(QString::fromStdString(name));
        DialogMessage(this, text);
    }
    emit RunFinished(count);
    if (m_closeWhenDone >= 0) {
        const int result = m_closeWhenDone;
        m_closeWhenDone = -1;
        done(result);
    }
}
