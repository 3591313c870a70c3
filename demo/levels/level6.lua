-- Level 6, "Frost wall": the first night in the mountains. A wall of stone shelters three
-- gloomers; sparks glance off stone, an ember breaks it.
theme = "frost"
lanterns = { "ember", "ember", "spark" }
solution = {
    { dx = -100, dy = 40 },
    { dx = -96, dy = 41 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    wallLow = { name = "wallLow", definition = "stone_post", x = 29, y = -2, angle = 0 },
    wallHigh = { name = "wallHigh", definition = "stone_post", x = 29, y = -6, angle = 0 },
    wallCap = { name = "wallCap", definition = "stone_small", x = 29, y = -8.5, angle = 0 },
    gloomerFront = { name = "gloomerFront", definition = "gloomer", x = 31.5, y = -0.9, angle = 0 },
    standLeft = { name = "standLeft", definition = "stone_square", x = 34, y = -1, angle = 0 },
    standRight = { name = "standRight", definition = "stone_square", x = 38, y = -1, angle = 0 },
    gloomerUnder = { name = "gloomerUnder", definition = "gloomer", x = 36, y = -0.9, angle = 0 },
    shelf = { name = "shelf", definition = "stone_plank", x = 36, y = -2.5, angle = 0 },
    screenLeft = { name = "screenLeft", definition = "paper_post", x = 34.5, y = -5, angle = 0 },
    screenRight = { name = "screenRight", definition = "paper_post", x = 37.5, y = -5, angle = 0 },
    gloomerShelf = { name = "gloomerShelf", definition = "gloomer", x = 36, y = -3.9, angle = 0 },
    top = { name = "top", definition = "bamboo_plank", x = 36, y = -7.5, angle = 0 },
}
