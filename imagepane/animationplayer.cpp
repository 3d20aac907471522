#include "imagepane/animationplayer.h"

#include "codec/codexa.h"

CAnimationPlayer::CAnimationPlayer(QObject *parent)
    : QObject(parent)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { Advance(); });
}

CAnimationPlayer::~CAnimationPlayer() = default;

bool CAnimationPlayer::Start(const QString &path, ShowPage show)
{
    Stop();
    const QByteArray local = path.toUtf8();
    int loops = 1;
    const int pages = CodexaAnimation(local.constData(), nullptr, 0, &loops);
    if (pages < 2)
        return false;
    delays_.assign(static_cast<std::size_t>(pages), 100);
    CodexaAnimation(local.constData(), delays_.data(), pages, &loops);
    loops_ = loops;
    show_ = std::move(show);
    Schedule();
    return true;
}

void CAnimationPlayer::Stop()
{
    timer_.stop();
    delays_.clear();
    show_ = nullptr;
    page_ = 0;
    played_ = 0;
    paused_ = false;
}

bool CAnimationPlayer::TogglePause()
{
    if (!IsAnimation())
        return false;
    paused_ = !paused_;
    if (paused_)
        timer_.stop();
    else
        Schedule();
    return true;
}

void CAnimationPlayer::Schedule()
{
    if (paused_ || delays_.empty())
        return;
    const std::size_t at
        = static_cast<std::size_t>(page_) < delays_.size() ? static_cast<std::size_t>(page_) : 0;
    timer_.start(delays_[at]);
}

bool CAnimationPlayer::Advance()
{
    if (delays_.empty() || !show_)
        return false;
    int next = page_ + 1;
    if (next >= static_cast<int>(delays_.size())) {
        ++played_;
        if (loops_ != 0 && played_ >= loops_) {
            timer_.stop();
            return false;
        }
        next = 0;
    }
    if (!show_(next)) {
        timer_.stop();
        return false;
    }
    page_ = next;
    Schedule();
    return true;
}
