#include "game/DeveloperStats.h"

#include "game/DeveloperFont.h"
#include "game/World.h"
#include "gr/Context.h"
#include "lang/Format.h"

#include <box2d/box2d.h>

#include <algorithm>

using lang::String;

namespace game {

namespace {

template <typename... Args>
String text(const char* pattern, Args... args)
{
    return lang::Format(pattern, args...).toString();
}

String kilobytes(int64_t bytes)
{
    if (bytes >= 10 * 1024 * 1024)
        return text("{0} MB", static_cast<int>(bytes / (1024 * 1024)));
    return text("{0} KB", static_cast<int>((bytes + 1023) / 1024));
}

String milliseconds(float ms)
{
    // One decimal: the 32-bit format of the engine's numbers shows more than is measured.
    const int tenths = static_cast<int>(ms * 10 + 0.5f);
    return text("{0}.{1} ms", tenths / 10, tenths % 10);
}

} // namespace

DeveloperStats::Numbers DeveloperStats::measure(float dt, const World& world, gr::Context* context, long luaBytes,
                                                int voices)
{
    Numbers n;
    n.frameMilliseconds = dt * 1000;
    n.stepMilliseconds = world.stepMilliseconds();
    for (const b2Body* body = world.b2world()->GetBodyList(); body; body = body->GetNext()) {
        ++n.bodies;
        if (body->IsAwake() && body->GetType() != b2_staticBody)
            ++n.bodiesAwake;
    }
    n.drawCalls = context->statistics().drawCalls;
    n.quads = context->statistics().triangles / 2;
    context->textureMemory(&n.textures, &n.textureBytes);
    n.luaBytes = luaBytes;
    n.voices = voices;
    return n;
}

lang::Array<String> DeveloperStats::lines(const Numbers& n)
{
    lang::Array<String> out;
    const int fps = n.frameMilliseconds > 0 ? static_cast<int>(1000 / n.frameMilliseconds + 0.5f) : 0;
    out.add(text("frame   {0} ({1} fps)", milliseconds(n.frameMilliseconds), fps));
    out.add(text("physics {0}", milliseconds(n.stepMilliseconds)));
    out.add(text("bodies  {0} awake / {1}", n.bodiesAwake, n.bodies));
    out.add(text("draws   {0} calls, {1} quads", n.drawCalls, n.quads));
    out.add(text("texture {0}, {1}", n.textures, kilobytes(n.textureBytes)));
    out.add(text("lua     {0}", kilobytes(n.luaBytes)));
    out.add(n.voices < 0 ? String("voices  no audio") : text("voices  {0}", n.voices));
    return out;
}

void DeveloperStats::record(const Numbers& numbers)
{
    m_last = numbers;
    m_times[m_next] = numbers.frameMilliseconds;
    m_next = (m_next + 1) % HISTORY;
    m_count = std::min(m_count + 1, HISTORY);
}

std::vector<float> DeveloperStats::history() const
{
    std::vector<float> out;
    for (int i = 0; i < m_count; ++i)
        out.push_back(m_times[(m_next - m_count + i + HISTORY) % HISTORY]);
    return out;
}

void DeveloperStats::draw(gr::Context* context) const
{
    const lang::Array<String> text = lines(m_last);
    const int pad = 4, lineHeight = DeveloperFont::CELL_HEIGHT + 2, graphHeight = 40;
    const float width = HISTORY + 2 * pad;
    const float height = pad + text.size() * lineHeight + pad + graphHeight + pad;
    context->fillRect(PANEL, 0, 0, width, height);
    float y = pad;
    for (const String& line : text) {
        DeveloperFont::draw(context, line, pad, y, 1, TEXT);
        y += lineHeight;
    }
    const float base = y + pad + graphHeight;
    const std::vector<float> times = history();
    for (size_t i = 0; i < times.size(); ++i) {
        const float bar = std::min(times[i], static_cast<float>(graphHeight));
        context->fillRect(times[i] > 1000.0f / 30 ? SLOW_BAR : BAR, pad + i, base - bar, 1, bar);
    }
    // 1000/60 ms: a bar above the line missed a 60 Hz frame.
    context->fillRect(SIXTY_LINE, pad, base - 1000.0f / 60, HISTORY, 1);
}

} // namespace game
