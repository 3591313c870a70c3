-- Frame statistics: --frame-log prints the median and the worst frame time of every ten
-- seconds and the interpreter's memory; --quit-after-frames=N ends the run after N frames,
-- to measure the start-up.

local REPORT_INTERVAL = 10 -- seconds

local drawn = 0
local times = {}  -- milliseconds of the frames since the last report
local count = 0
local sorted = {} -- reused for the median, so that reporting makes no garbage of its own
local elapsed = 0

local function report()
    for i = 1, count do
        sorted[i] = times[i]
    end
    for i = count + 1, #sorted do
        sorted[i] = nil
    end
    table.sort(sorted)
    local median = sorted[math.floor((count + 1) / 2)]
    log.line(string.format("frames: median %.1f ms, worst %.1f ms, lua %d KB",
        median, sorted[count], collectgarbage("count")))
    count = 0
    elapsed = 0
end

-- dt is the frame's time as the engine measured it for update.
function record(dt)
    drawn = drawn + 1
    if options.quitAfterFrames and drawn >= options.quitAfterFrames then
        requestExit()
    end
    if not options.frameLog then
        return
    end
    count = count + 1
    times[count] = dt * 1000
    elapsed = elapsed + dt
    if elapsed >= REPORT_INTERVAL then
        report()
    end
end
