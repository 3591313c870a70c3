-- 1280 x 720 like the other engine's scenes; framerate 0: no cap and no vsync, so a frame
-- costs what it costs.
name = "Peer scenes"
width = 1280
height = 720
framerate = 0
datapath = "./"
scriptPath = "scripts"
publisher = "Pelterra"
product = "PeerScenes"
