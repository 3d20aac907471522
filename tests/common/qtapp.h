// Test helpers for Qt GUI tests: one application object per process, user settings redirected
// to a temporary folder, modal boxes dismissed automatically.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline QApplication &TestApp()
{
    static int argc = 1;
    static char name[] = "tarnis-test";
    static char *argv[] = { name, nullptr };
    // Never destroyed: Qt's own globals are gone by the time static objects are destroyed.
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

// Sends every posted event (the panes' messages among them) and processes what follows.
inline void PumpEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Processes events until done() holds; false when timeoutMs passes first (work finished on
// another thread reaches the window as posted events).
inline bool PumpEventsUntil(const std::function<bool()> &done, int timeoutMs = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// User settings live in a fresh temporary folder while an object of this class exists.
class TempSettings
{
public:
    TempSettings()
    {
        TestApp();
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }

    QString Path() const { return m_dir.path(); }

    // The settings file of organisation/application, which must lie inside the temporary folder.
    QString FileOf(const QString &organisation, const QString &application) const
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, organisation, application).fileName();
    }

private:
    QTemporaryDir m_dir;
};

// Closes every modal dialog that opens while an object of this class exists, counting them.
class ModalDismisser
{
public:
    ModalDismisser()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                ++m_count;
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
        });
        m_timer.start(20);
    }

    int Count() const { return m_count; }

private:
    QTimer m_timer;
    int m_count = 0;
};
