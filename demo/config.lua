-- Start-up configuration of the demo: plain assignments only.
name = "Pelterra"
width = 1024
height = 768
framerate = 60
datapath = "./"
scriptPath = "scripts"
publisher = "Pelterra"
product = "Demo"
