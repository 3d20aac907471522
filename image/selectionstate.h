// The image pane's selection: tool, tracker, mask and the animated outline shared with the outline
// worker thread. The mask and the outline are guarded by an auto-reset event used as a lock; a
// manual-reset stop event ends the worker, which answers on a manual-reset stopped event. The
// worker computes the crawling dashes every 75 ms and calls back; the pane only paints them.
#pragma once

#include "image/maskobj.h"
#include "image/shapetracker.h"
#include "platform/noncopyable.h"
#include "platform/wintypes.h"

#include <functional>
#include <memory>
#include <thread>
#include <vector>

class CImageObj;

class CSelectionState : NonCopyable
{
public:
    CSelectionState();
    // Stops the worker (set the lock and the stop event, wait for the stopped event) and closes
    // the three events.
    ~CSelectionState();

    // Starts the outline worker; onTick runs on the worker thread after each tick that has dashes
    // to show or to clear (the pane posts itself a repaint from there). False when it is running
    // already or cannot start.
    bool StartWorker(std::function<void()> onTick);
    void StopWorker();
    bool WorkerRunning() const { return m_worker.joinable(); }
    // One tick of the worker: under the lock, when the outline is enabled, rebuild the outline if
    // the displayed rectangle changed or the mask did, colour the dashes for the current phase
    // and step the phase (7, 6, ... 0, 7, ...). True when the pane has something to repaint.
    bool Tick();

    // The selection lock. Every access to the mask or the outline happens between the two.
    void Lock();
    void Unlock();
    class Guard
    {
    public:
        explicit Guard(CSelectionState &state)
            : m_state(state)
        {
            m_state.Lock();
        }
        ~Guard() { m_state.Unlock(); }
        Guard(const Guard &) = delete;
        Guard &operator=(const Guard &) = delete;

    private:
        CSelectionState &m_state;
    };

    // 0 none, kShapeRect, kShapeEllipse or kShapePolygon.
    int Tool() const { return m_tool; }
    void SetTool(int tool) { m_tool = tool; }
    // Mouse-down with a selection tool: the tracker for the tool (a new one when the kind
    // changed), after dropping the current selection (each drag starts a new one). Null for no
    // tool.
    CShapeTracker *TrackerForMouseDown();
    CShapeTracker *Tracker() const { return m_tracker.get(); }

    // The receiving side of the trackers: creates a 1-bit mask of the displayed picture size when
    // there is none, adds or subtracts the shape, enables the outline and marks it for rebuilding.
    bool AddShape(int kind, bool subtract, const RECT &bounds, const std::vector<POINT> &points,
        int displayWidth, int displayHeight);
    // Deletes the mask and the cached outline; the outline stays disabled.
    void Drop();
    // Inverts the selection; without one, first a mask of the displayed size with nothing selected.
    bool Reverse(int displayWidth, int displayHeight);
    bool HasSelection();
    // Delete on the picture; the selection is dropped even when the fill fails. False when there
    // is no selection or the fill fails.
    bool DeleteIn(CImageObj &picture);
    // Crop to selection, then the selection is dropped. False (and the selection kept) when there
    // is none or the edit fails.
    bool CropIn(CImageObj &picture);
    // Bounds of the selection in mask coordinates ((0, 0, 0, 0) for none).
    RECT Bounds();

    // The displayed picture rectangle in device units (client coordinates) and the visible part of
    // the client area; the outline follows both and is computed for the visible part only.
    void SetDisplayRect(const RECT &picture, const RECT &visible);
    void SetDisplayRect(const RECT &picture) { SetDisplayRect(picture, picture); }
    // The dashes of the last tick in client coordinates: red and green pixels. False when there is
    // nothing to paint.
    bool Dots(std::vector<POINT> &red, std::vector<POINT> &green);
    bool OutlineEnabled() const { return m_outlineEnabled; }
    int Phase() const { return m_phase; }
    // Red (true) or green for an outline pixel at client (x, y) in the given phase.
    static bool IsRedDot(int x, int y, int phase) { return ((x - y + phase + 10000) % 8) > 3; }

private:
    void DropLocked();
    // Runs a picture edit through the mask with the outline paused; the selection ends on success,
    // or in any case with dropAlways.
    bool EditThroughMask(CImageObj &picture, bool (CImageObj::*edit)(CMaskObj &), bool dropAlways);
    void WorkerLoop(std::function<void()> onTick);

    HANDLE m_stop = nullptr; // manual reset, initially clear
    HANDLE m_stopped = nullptr; // manual reset, initially set
    HANDLE m_lock = nullptr; // auto reset, initially set
    std::thread m_worker;

    int m_tool = 0;
    std::unique_ptr<CShapeTracker> m_tracker;
    std::unique_ptr<CMaskObj> m_mask;
    std::unique_ptr<CMaskObj> m_outlineMask; // displayed-size copy the outline was computed from
    RECT m_displayRect { 0, 0, 0, 0 };
    RECT m_visibleRect { 0, 0, 0, 0 };
    RECT m_outlineRect { 0, 0, 0, 0 }; // displayed rectangle the cached outline was made for
    RECT m_outlineWindow { 0, 0, 0, 0 }; // part of it the outline mask covers
    int m_phase = 0;
    bool m_outlineEnabled = false;
    std::vector<POINT> m_red;
    std::vector<POINT> m_green;
};
