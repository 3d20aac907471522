// A dialog that fills its controls once, when it is first shown: the derived dialog's InitDialog
// runs before the first show event reaches the dialog, never again.
#pragma once

#include <QDialog>

class TDialog : public QDialog
{
public:
    using QDialog::QDialog;

protected:
    virtual void InitDialog() = 0;

    void showEvent(QShowEvent *event) override
    {
        if (!m_initialised) {
            m_initialised = true;
            InitDialog();
        }
        QDialog::showEvent(event);
    }

private:
    bool m_initialised = false;
};
