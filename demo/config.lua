-- How the engine starts Lanternfall: plain assignments only (docs/formats.md).
name = "Lanternfall"
width = 1024
height = 768
framerate = 60
datapath = "./"
scriptPath = "scripts"
levelPath = "levels"
-- Saves go to ~/.local/share/Pelterra/Lanternfall/.
publisher = "Pelterra"
product = "Lanternfall"
