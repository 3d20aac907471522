// Plays the pages of an animated picture (GIF, WebP) with their delays and loop count. The pane
// gives the file and a function that shows one page; pages can still be stepped by hand while
// paused (Sync tells the player where the pane stands).
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class CAnimationPlayer : public QObject
{
    Q_OBJECT
public:
    using ShowPage = std::function<bool(int page)>;

    explicit CAnimationPlayer(QObject *parent = nullptr);
    ~CAnimationPlayer() override;

    // Starts playing path when it is an animation (page 0 is shown already); stops otherwise.
    // True when it plays.
    bool Start(const QString &path, ShowPage show);
    void Stop();
    // Pause or resume; false when nothing is being played.
    bool TogglePause();
    // The pane stepped to page by hand.
    void Sync(int page) { m_page = page; }

    bool IsAnimation() const { return !m_delays.empty(); }
    bool IsPlaying() const { return m_timer.isActive(); }
    bool IsPaused() const { return IsAnimation() && m_paused; }
    int Page() const { return m_page; }
    int Loops() const { return m_loops; }
    const std::vector<int> &Delays() const { return m_delays; }

    // Shows the next page and schedules the one after (the timer calls this). False when the
    // animation has played its loops and stays on its last page.
    bool Advance();

private:
    void Schedule();

    QTimer m_timer;
    ShowPage m_show;
    std::vector<int> m_delays;
    int m_loops = 1; // 0: forever
    int m_played = 0; // whole plays finished
    int m_page = 0;
    bool m_paused = false;
};
