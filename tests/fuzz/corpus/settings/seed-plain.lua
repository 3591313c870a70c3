music = true
volume = 0.75
playtime = 3600
levels = {3, 2, 0, ["x"] = 1}
