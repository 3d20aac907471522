#include "imagepane/animationplayer.h"

#include "codec/codexa.h"

CAnimationPlayer::CAnimationPlayer(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Advance(); });
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
    m_delays.assign(static_cast<std::size_t>(pages), 100);
    CodexaAnimation(local.constData(), m_delays.data(), pages, &loops);
    m_loops = loops;
    m_show = std::move(show);
    Schedule();
    return true;
}

void CAnimationPlayer::Stop()
{
    m_timer.stop();
    m_delays.clear();
    m_show = nullptr;
    m_page = 0;
    m_played = 0;
    m_paused = false;
}

bool CAnimationPlayer::TogglePause()
{
    if (!IsAnimation())
        return false;
    m_paused = !m_paused;
    if (m_paused)
        m_timer.stop();
    else
        Schedule();
    return true;
}

void CAnimationPlayer::Schedule()
{
    if (m_paused || m_delays.empty())
        return;
    const std::size_t at
        = static_cast<std::size_t>(m_page) < m_delays.size() ? static_cast<std::size_t>(m_page) : 0;
    m_timer.start(m_delays[at]);
}

bool CAnimationPlayer::Advance()
{
    if (m_delays.empty() || !m_show)
        return false;
    int next = m_page + 1;
    if (next >= static_cast<int>(m_delays.size())) {
        ++m_played;
        if (m_loops != 0 && m_played >= m_loops) {
            m_timer.stop();
            return false;
        }
        next = 0;
    }
    if (!m_show(next)) {
        m_timer.stop();
        return false;
    }
    m_page = next;
    Schedule();
    return true;
}
