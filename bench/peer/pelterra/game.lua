-- The benchmark scenes as a Pelterra game; bench/peer/run.py builds it with pelterra-build.
name = "Peer scenes"
config = "config.lua"
scripts = { "scripts" }
-- run.py draws the two sprites (art/sprite32.png, art/sprite1.png) before building.
atlases = {
    { name = "sprites/scene", images = "art", maxSize = 256, trim = false },
}
bundle = false
