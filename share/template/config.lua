-- How the engine starts this game: plain assignments only.
name = "New Game"
width = 1024
height = 768
framerate = 60
datapath = "./"
scriptPath = "scripts"
publisher = "Pelterra"
product = "NewGame"
