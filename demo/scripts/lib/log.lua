-- The lines the game prints to the log (standard error), which tests and tools read line by
-- line: "screen title", "level 1 started", "shot 1 of 3: dx -90 dy 40", ...
--
-- When a lantern breaks through a block, the engine logs the lantern's new speed on a line
-- it leaves open (no line break at its end). A line printed after that starts with a line
-- break of its own, so that it still begins a line.

local lineOpen = false

-- damage.lua calls this when a lantern has broken through something in the physics step.
function lineLeftOpen()
    lineOpen = true
end

function line(text)
    if lineOpen then
        lineOpen = false
        print("\n" .. text)
    else
        print(text)
    end
end
