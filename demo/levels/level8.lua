-- Level 8, "Twin towers": a bamboo tower and a stone one, a gloomer on every floor and a big
-- one in the stone tower's hall. A flare bursts over both.
theme = "frost"
lanterns = { "flare", "ember", "spark", "flare" }
solution = {
    { dx = -100, dy = 40 },
    { dx = -101, dy = 48 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    bambooLeft = { name = "bambooLeft", definition = "bamboo_post", x = 28.5, y = -2, angle = 0 },
    bambooRight = { name = "bambooRight", definition = "bamboo_post", x = 31.5, y = -2, angle = 0 },
    gloomerBambooLow = { name = "gloomerBambooLow", definition = "gloomer", x = 30, y = -0.9, angle = 0 },
    bambooFloor = { name = "bambooFloor", definition = "bamboo_plank", x = 30, y = -4.5, angle = 0 },
    bambooUpperLeft = { name = "bambooUpperLeft", definition = "bamboo_post", x = 28.5, y = -7, angle = 0 },
    bambooUpperRight = { name = "bambooUpperRight", definition = "bamboo_post", x = 31.5, y = -7, angle = 0 },
    gloomerBambooHigh = { name = "gloomerBambooHigh", definition = "gloomer", x = 30, y = -5.9, angle = 0 },
    bambooRoof = { name = "bambooRoof", definition = "bamboo_plank", x = 30, y = -9.5, angle = 0 },
    bambooCap = { name = "bambooCap", definition = "paper_small", x = 30, y = -10.5, angle = 0 },
    stoneLeft = { name = "stoneLeft", definition = "stone_post", x = 37, y = -2, angle = 0 },
    stoneRight = { name = "stoneRight", definition = "stone_post", x = 43, y = -2, angle = 0 },
    gloomerHall = { name = "gloomerHall", definition = "gloomer_big", x = 40, y = -1.3, angle = 0 },
    stoneFloor = { name = "stoneFloor", definition = "stone_beam", x = 40, y = -4.5, angle = 0 },
    paperLeft = { name = "paperLeft", definition = "paper_post", x = 37, y = -7, angle = 0 },
    paperRight = { name = "paperRight", definition = "paper_post", x = 43, y = -7, angle = 0 },
    gloomerStoneHigh = { name = "gloomerStoneHigh", definition = "gloomer", x = 40, y = -5.9, angle = 0 },
    paperRoof = { name = "paperRoof", definition = "paper_beam", x = 40, y = -9.5, angle = 0 },
}
