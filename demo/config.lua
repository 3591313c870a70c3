-- How the engine starts Lanternfall: plain assignments only (docs/formats.md).
name = "Lanternfall"
width = 1024
height = 768
framerate = 60
datapath = "./"
scriptPath = "scripts"
levelPath = "levels"
-- The images the start-up loads: decoded on the second core while the window opens.
preload = { "sprites/game.png", "sprites/ui.png", "sprites/themes.png", "fonts/body.png", "fonts/title.png" }
-- Saves go to ~/.local/share/Pelterra/Lanternfall/.
publisher = "Pelterra"
product = "Lanternfall"
