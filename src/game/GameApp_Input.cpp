// The input half of the game application: keys, cursor, wheel zoom and gestures.

#include "game/GameApp.h"

#include "framework/Framework.h"
#include "framework/OSInterface.h"
#include "game/GameLua.h"

#include <cmath>

namespace game {

namespace {

float clampZoom(float zoom)
{
    return zoom < 0.01f ? 0.01f : zoom > 100.0f ? 100.0f : zoom;
}

// A touch must move this far (pixels) from where it went down before its direction counts:
// less is the jitter of a finger held still.
const float kDecidingDistance = 5;
// Directions are unit vectors; their dot product tells the gesture. Opposite within about
// 25 degrees (dot at most -0.9) is a pinch; the same within about 25 degrees and mostly
// horizontal (|x| at least 0.9) is a sweep.
const float kOppositeDot = -0.9f;
const float kAlongDot = 0.9f;
const float kSideways = 0.9f;
// The sweep speed is measured over the last half second of motion.
const float kSweepWindow = 0.5f;

float distance(float x0, float y0, float x1, float y1)
{
    return std::sqrt((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0));
}

} // namespace

void GameApp::keyDown(int code)
{
    if (!inputArrives(InputRecording::KEY_DOWN, code))
        return;
    if (m_errorScreen) {
        errorScreenKey(code);
        return;
    }
    if (m_developer && (consoleKey(code) || developerKey(code)))
        return;
    if (code >= 0 && code < framework::KEY_COUNT)
        m_keyPressedNow[code] = true;
}

void GameApp::keyUp(int code)
{
    if (!inputArrives(InputRecording::KEY_UP, code))
        return;
    if (code >= 0 && code < framework::KEY_COUNT && m_keyToConsole[code]) {
        m_keyToConsole[code] = false;
        return;
    }
    if (code >= 0 && code < framework::KEY_COUNT)
        m_keyReleasedNow[code] = true;
}

void GameApp::mouseMoved(int x, int y)
{
    if (!inputArrives(InputRecording::MOVE, x, y))
        return;
    if (!m_world)
        return;
    m_world->cursor().setNumber("x", static_cast<float>(x));
    m_world->cursor().setNumber("y", static_cast<float>(y));
}

void GameApp::mouseWheel(int notches)
{
    if (!inputArrives(InputRecording::WHEEL, notches))
        return;
    if (m_gestureState >= GESTURE_DECIDING && m_gestureState <= GESTURE_PINCH && !m_wheelZoomEnabled)
        return;
    m_zoomAtWheel = m_zoom;
    float step = m_zoom < 1.0f ? 0.1f : 0.2f;
    if (isKeyDown(framework::KEY_SHIFT))
        step *= 0.05f;
    if (m_animTime > -1 && m_zoom > 0.6f && m_zoom < m_maxZoom) {
        m_animTarget += notches * step * 0.5f;
        m_animDuration = 1.0f - m_animTime;
    } else {
        m_animTarget = m_zoom + notches * step;
        m_animDuration = 0.5f;
    }
    m_animTarget = clampZoom(m_animTarget);
    m_animStart = m_zoom;
    m_animTime = 0;
    if (m_world) {
        m_world->cursor().setBoolean("wheelTriggered", true);
        m_world->cursor().setNumber("wheel", static_cast<float>(notches));
    }
}

void GameApp::advanceZoom(float dt)
{
    if (m_animTime <= -1)
        return;
    m_animTime += dt;
    const float u = m_animTime / m_animDuration - 1;
    m_zoom = m_animStart + (u * u * u + 1) * (m_animTarget - m_animStart);
    if (m_animTime > m_animDuration) {
        m_animTime = -1;
        m_zoom = m_animTarget;
    }
    m_zoom = clampZoom(m_zoom);
}

void GameApp::setGestureState(int state)
{
    m_previousState = m_gestureState;
    m_gestureState = state;
}

bool GameApp::gesturesBlocked() const
{
    return m_world && m_world->isTable("selectedBird");
}

void GameApp::endSweep()
{
    m_sweepSpeed = m_sweepTime != 0 ? m_sweepDistance / m_sweepTime : 0;
    m_world->multitouchSweep().setNumber("sweepSpeed", m_sweepSpeed);
    m_world->multitouchSweep().setBoolean("isSweepping", false);
}

void GameApp::runGestures(float dt)
{
    const bool fullScreen = framework::FrameState::current().fullScreen;
    if (!m_wasFullScreen && fullScreen)
        os()->setMouseCaptured(false);
    m_wasFullScreen = fullScreen;
    if (!fullScreen) {
        m_gestureState = GESTURE_IDLE;
        return;
    }
    const lang::Array<framework::Touch>& t = touches();
    const int c = t.size();
    const bool blocked = gesturesBlocked();
    switch (m_gestureState) {
    case GESTURE_IDLE:
        if (c == 2 && !blocked) {
            m_gestureStart[0] = static_cast<float>(t[0].x), m_gestureStart[1] = static_cast<float>(t[0].y);
            m_gestureStart[2] = static_cast<float>(t[1].x), m_gestureStart[3] = static_cast<float>(t[1].y);
            m_startDistance = distance(t[0].x, t[0].y, t[1].x, t[1].y);
            m_zoomAtGestureStart = m_zoom;
            setGestureState(GESTURE_DECIDING);
        }
        break;
    case GESTURE_DECIDING: {
        if (c != 2 || blocked) {
            setGestureState(GESTURE_FINISHED);
            break;
        }
        const float m0x = t[0].x - m_gestureStart[0], m0y = t[0].y - m_gestureStart[1];
        const float m1x = t[1].x - m_gestureStart[2], m1y = t[1].y - m_gestureStart[3];
        const float l0 = std::sqrt(m0x * m0x + m0y * m0y), l1 = std::sqrt(m1x * m1x + m1y * m1y);
        if (l0 <= kDecidingDistance || l1 <= kDecidingDistance)
            break;
        const float d0x = m0x / l0, d0y = m0y / l0, d1x = m1x / l1, d1y = m1y / l1;
        const float dot = d0x * d1x + d0y * d1y;
        if (dot >= -1 && dot <= kOppositeDot) {
            m_startDistance = distance(t[0].x, t[0].y, t[1].x, t[1].y);
            m_world->multitouchZoom().setNumber("zoomCoolingTime", -1);
            setGestureState(GESTURE_PINCH);
        } else if (dot >= kAlongDot && dot <= 1 && std::fabs(d0x) >= kSideways) {
            m_sweepTime = 0;
            m_sweepDistance = 0;
            m_sweepLast[0] = t[0].x, m_sweepLast[1] = t[0].y, m_sweepLast[2] = t[1].x, m_sweepLast[3] = t[1].y;
            setGestureState(GESTURE_SWEEP);
        }
        break;
    }
    case GESTURE_SWEEP:
        if (blocked) {
            m_world->multitouchSweep().setBoolean("isSweepping", false);
            setGestureState(GESTURE_FINISHED);
        } else if (c == 0) {
            endSweep();
            m_sweepTime = 0;
            m_sweepDistance = 0;
            m_startDistance = -1;
            setGestureState(GESTURE_IDLE);
        } else if (c == 2) {
            const int dx = t[0].x - m_sweepLast[0], dy = t[0].y - m_sweepLast[1];
            lua::LuaTable& sweep = m_world->multitouchSweep();
            sweep.setNumber("sweepOffsetX", static_cast<float>(dx));
            sweep.setNumber("sweepOffsetY", static_cast<float>(dy));
            sweep.setNumber("sweepCurrentX", static_cast<float>(t[0].x));
            sweep.setNumber("sweepCurrentY", static_cast<float>(t[0].y));
            sweep.setBoolean("isSweepping", true);
            m_sweepDistance += dx;
            m_sweepLast[0] = t[0].x, m_sweepLast[1] = t[0].y, m_sweepLast[2] = t[1].x, m_sweepLast[3] = t[1].y;
            m_sweepTime += dt;
            if (m_sweepTime >= kSweepWindow) {
                m_sweepTime = 0;
                m_sweepDistance = dx;
            }
            m_sweepSpeed = 0;
        } else {
            endSweep();
            setGestureState(GESTURE_FINISHED);
        }
        break;
    case GESTURE_PINCH:
        if (blocked) {
            setGestureState(GESTURE_FINISHED);
        } else if (c == 0) {
            m_startDistance = -1;
            m_world->multitouchZoom().setNumber("zoomCoolingTime", 0);
            setGestureState(GESTURE_IDLE);
        } else if (c == 2) {
            const float now = distance(t[0].x, t[0].y, t[1].x, t[1].y);
            // Fingers recognised on one spot give no scale yet: the pinch counts from where
            // they part.
            if (m_startDistance > 0) {
                m_zoom = now / m_startDistance * m_zoomAtGestureStart;
            } else {
                m_startDistance = now;
                m_zoomAtGestureStart = m_zoom;
            }
        } else {
            m_world->multitouchZoom().setNumber("zoomCoolingTime", 0);
            setGestureState(GESTURE_FINISHED);
        }
        break;
    case GESTURE_FINISHED:
        if (c == 0) {
            m_startDistance = -1;
            setGestureState(GESTURE_IDLE);
        }
        break;
    default: break;
    }
}

} // namespace game
