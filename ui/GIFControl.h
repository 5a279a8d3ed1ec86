// CGIFControl: plays an animated picture, each frame for its own delay, wrapping to the first.
#pragma once
#include "xImage.h"

#include <QBasicTimer>
#include <QWidget>
#include <string>

class CGIFControl : public QWidget
{
    Q_OBJECT

public:
    explicit CGIFControl(QWidget *parent = nullptr);

    bool Load(const std::string &path);
    // Starts at frame 0 unless already playing.
    void Play();
    // Stops at the frame shown, its timer with it (a hidden animation costs nothing).
    void Stop();

    bool IsPlaying() const { return m_playing; }
    size_t FrameCount() const { return m_image.FrameCount(); }
    size_t CurrentFrame() const { return m_current; }
    // The running frame timer's period in ms (0 when not running).
    int TimerInterval() const { return m_timer.isActive() ? m_interval : 0; }
    int TimerId() const { return m_timer.timerId(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void StartFrameTimer(size_t frame);

    CxImage m_image;
    size_t m_current = 0;
    size_t m_next = 0;
    int m_interval = 0;
    bool m_playing = false;
    QBasicTimer m_timer;
};
