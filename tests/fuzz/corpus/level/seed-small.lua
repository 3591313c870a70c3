theme = "forest"
physicsToWorld = 32
counts = {stones = 3}
joints = {}
objects = {{type = "stone", x = math.sin(1), y = 2}}
