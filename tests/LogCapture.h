#pragma once

#include "lang/Debug.h"

#include <string>

/// Collects what the debug logger writes while it lives.
class LogCapture
{
public:
    LogCapture() { m_previous = lang::setLogSink(&LogCapture::sink, this, &m_previousUser); }
    ~LogCapture() { lang::setLogSink(m_previous, m_previousUser); }

    const std::string& text() const { return m_text; }
    void clear() { m_text.clear(); }

private:
    std::string m_text;
    lang::LogSink m_previous = nullptr;
    void* m_previousUser = nullptr;

    static void sink(const char* text, void* user) { static_cast<LogCapture*>(user)->m_text += text; }
};
