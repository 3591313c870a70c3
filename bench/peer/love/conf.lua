-- The benchmark scenes for the other engine: the same window as Pelterra's scenes, no vsync.
function love.conf(t)
    local audio = false
    for _, a in ipairs(arg or {}) do
        if a == "--audio" then audio = true end
    end
    t.identity = "peer-scenes"
    t.window.title = "Peer scenes"
    t.window.width = 1280
    t.window.height = 720
    t.window.vsync = 0
    t.modules.audio = audio
    t.modules.sound = audio
    t.modules.joystick = false
    t.modules.video = false
end
