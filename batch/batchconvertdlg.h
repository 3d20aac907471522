// The Batch Convert dialog: every picture directly inside a source folder converted into one
// format, optionally resized, into a target folder. The files are converted on worker threads
// while the dialog stays responsive; the counter, the progress bar and the summary follow them.
#pragma once

#include "framework/tdialog.h"
#include "platform/wintypes.h"

#include <QString>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

class CBatchConvertDlg : public TDialog
{
    Q_OBJECT
public:
    static constexpr UINT IDD = 202;
    static constexpr UINT IDC_SOURCE = 1000;
    static constexpr UINT IDC_TARGET = 1001;
    static constexpr UINT IDC_FORMAT = 1002;
    static constexpr UINT IDC_BROWSE = 1003;
    static constexpr UINT IDC_KEEP_SIZE = 1004;
    static constexpr UINT IDC_SAME_SIZE = 1005;
    static constexpr UINT IDC_KEEP_RATIO = 1006;
    static constexpr UINT IDC_WIDTH = 1007;
    static constexpr UINT IDC_HEIGHT = 1008;
    static constexpr UINT IDC_PROGRESS = 1009;
    static constexpr UINT IDC_START = 1010;
    static constexpr UINT IDC_QUIT = 1011;
    static constexpr UINT IDC_STOP = 1012;
    static constexpr UINT IDC_OVERWRITE = 1013;
    static constexpr UINT IDC_RENAME = 1014;
    static constexpr UINT IDC_SKIP = 1015;
    static constexpr UINT IDC_COUNTER = 1016;
    // Fast option, off by default: shrink JPEGs through a reduced read (results a few levels off).
    static constexpr UINT IDC_REDUCED_READ = 1017;
    static constexpr int kMinSide = 1;
    static constexpr int kMaxSide = 20000;

    explicit CBatchConvertDlg(QWidget *parent = nullptr);
    ~CBatchConvertDlg() override;

    // Set by the frame before the dialog opens.
    void SetSourceFolder(const QString &folder) { m_sourceFolder = folder; }
    void SetTargetFolder(const QString &folder) { m_targetFolder = folder; }

    // Fields to members (true: read and validate, stopping at the first invalid field with the
    // framework's message) or members to fields (false).
    bool UpdateData(bool saveAndValidate = true);

    QString GetSourceFolder() const { return m_sourceFolder; }
    QString GetTargetFolder() const { return m_targetFolder; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetSizeOption() const { return m_sizeOption; }
    int GetSameNameOption() const { return m_sameNameOption; }

    bool IsRunning() const { return m_running; }
    // Files counted in the current or last run.
    int GetCounter() const { return m_counter; }
    // The last position given to the progress bar (the bar itself stays within 1 ... 100).
    int GetProgressPosition() const { return m_progressPosition; }
    // Files converted at once; 0 (the default) is one per processor.
    void SetThreads(int threads) { m_threads = threads; }

signals:
    // A run ended (normally or by Stop) after its summary was shown.
    void RunFinished(int count);

public slots:
    void reject() override;

protected:
    void InitDialog() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void OnBrowse();
    void OnStart();
    void OnStop();
    void OnQuit();
    void OnConverted(int counter);
    void OnRunEnded(int count, const std::vector<std::string> &unwritten);
    // The target folder exists or is made; else a message says so. Whether the run may start.
    bool PrepareTargetFolder();
    // Yes to "N pictures in FOLDER will be replaced"; true when nothing would be.
    bool ConfirmReplace(int count);
    void SetProgressPosition(int position);
    bool ReadSide(QLineEdit *edit, int &value);

    // Members in declared order: what the fields exchange.
    QProgressBar *m_progress;
    QComboBox *m_formatList;
    int m_height = 300;
    int m_width = 200;
    QString m_sourceFolder;
    QString m_targetFolder;
    int m_sizeOption = 0;
    int m_sameNameOption = 0;
    std::atomic<int> m_stopFlag { 0 };

    QLineEdit *m_heightEdit;
    QLineEdit *m_widthEdit;
    QLineEdit *m_sourceEdit;
    QLineEdit *m_targetEdit;
    QRadioButton *m_sizeButtons[3];
    QCheckBox *m_reducedReadBox;
    QRadioButton *m_sameNameButtons[3];
    QLabel *m_counterText;
    QPushButton *m_browseButton;
    QPushButton *m_startButton;
    QPushButton *m_stopButton;
    QPushButton *m_quitButton;

    std::thread m_run;
    bool m_running = false;
    int m_counter = 0;
    int m_progressPosition = 0;
    int m_threads = 0;
    int m_closeWhenDone = -1; // the result to close with once the run has ended
};
