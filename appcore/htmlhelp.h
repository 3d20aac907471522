// The help viewer: shows the help file's default topic through the desktop. Once the desktop
// refuses, later requests do nothing for the rest of the run; nothing is ever reported.
#pragma once

#include <QString>

class CHtmlHelp
{
public:
    CHtmlHelp() = default;
    virtual ~CHtmlHelp() = default;

    // Shows the help file at path; false when nothing was shown.
    bool DisplayTopic(const QString &path);
    bool HasFailed() const { return m_failed; }

protected:
    // Hands the file to the desktop; false when the desktop cannot show it.
    virtual bool Launch(const QString &path);

private:
    bool m_failed = false;
};

// The help viewer of this run.
CHtmlHelp &AppHtmlHelp();
