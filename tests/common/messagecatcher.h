// Test helper: answers every message box (and other modal dialog) that opens while an object of
// this class exists, keeping the texts of the message boxes in order.
#pragma once

#include "tests/common/qtapp.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <functional>

class MessageCatcher
{
public:
    // onModal, when given, handles modal dialogs that are not message boxes (it must close them).
    explicit MessageCatcher(std::function<void(QDialog *)> onModal = {})
        : m_onModal(std::move(onModal))
    {
        TestApp();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == m_ignored)
                return;
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                m_texts << box->text();
                m_captions << box->windowTitle();
                box->done(m_answer);
            } else if (auto *dialog = qobject_cast<QDialog *>(modal); dialog && m_onModal) {
                m_onModal(dialog);
            }
        });
        m_timer.start(5);
    }

    // The button message boxes are closed with (Ok unless set).
    void SetAnswer(int button) { m_answer = button; }
    // A modal dialog under test that the catcher must leave alone.
    void Ignore(QWidget *dialog) { m_ignored = dialog; }

    const QStringList &Texts() const { return m_texts; }
    const QStringList &Captions() const { return m_captions; }
    void Clear()
    {
        m_texts.clear();
        m_captions.clear();
    }

private:
    QTimer m_timer;
    QStringList m_texts;
    QStringList m_captions;
    std::function<void(QDialog *)> m_onModal;
    QWidget *m_ignored = nullptr;
    int m_answer = QMessageBox::Ok;
};
