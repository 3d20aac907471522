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
    void Sync(int page) { page_ = page; }

    bool IsAnimation() const { return !delays_.empty(); }
    bool IsPlaying() const { return timer_.isActive(); }
    bool IsPaused() const { return IsAnimation() && paused_; }
    int Page() const { return page_; }
    int Loops() const { return loops_; }
    const std::vector<int> &Delays() const { return delays_; }

    // Shows the next page and schedules the one after (the timer calls this). False when the
    // animation has played its loops and stays on its last page.
    bool Advance();

private:
    void Schedule();

    QTimer timer_;
    ShowPage show_;
    std::vector<int> delays_;
    int loops_ = 1; // 0: forever
    int played_ = 0; // whole plays finished
    int page_ = 0;
    bool paused_ = false;
};
