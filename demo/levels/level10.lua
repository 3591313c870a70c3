-- Level 10, "The last night": the gloomers' keep, stone below and bamboo above, behind a
-- paper wall, and a watchtower at its back. Every lantern kind has its work here.
theme = "frost"
lanterns = { "ember", "flare", "spark", "ember", "flare" }
solution = {
    { dx = -100, dy = 40 },
    { dx = -77, dy = 78 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    wallLow = { name = "wallLow", definition = "paper_post", x = 27, y = -2, angle = 0 },
    wallHigh = { name = "wallHigh", definition = "paper_post", x = 27, y = -6, angle = 0 },
    pillarLeftLow = { name = "pillarLeftLow", definition = "stone_square", x = 31, y = -1, angle = 0 },
    pillarLeftHigh = { name = "pillarLeftHigh", definition = "stone_square", x = 31, y = -3, angle = 0 },
    pillarRightLow = { name = "pillarRightLow", definition = "stone_square", x = 39, y = -1, angle = 0 },
    pillarRightHigh = { name = "pillarRightHigh", definition = "stone_square", x = 39, y = -3, angle = 0 },
    gloomerHall = { name = "gloomerHall", definition = "gloomer_big", x = 35, y = -1.3, angle = 0 },
    hallFloor = { name = "hallFloor", definition = "stone_beam", x = 35, y = -4.5, angle = 0 },
    upperLeft = { name = "upperLeft", definition = "bamboo_post", x = 31.5, y = -7, angle = 0 },
    upperRight = { name = "upperRight", definition = "bamboo_post", x = 38.5, y = -7, angle = 0 },
    gloomerUpperLeft = { name = "gloomerUpperLeft", definition = "gloomer", x = 33.5, y = -5.9, angle = 0 },
    gloomerUpperRight = { name = "gloomerUpperRight", definition = "gloomer", x = 36.5, y = -5.9, angle = 0 },
    roof = { name = "roof", definition = "bamboo_beam", x = 35, y = -9.5, angle = 0 },
    battlementLeft = { name = "battlementLeft", definition = "paper_square", x = 32.5, y = -11, angle = 0 },
    battlementRight = { name = "battlementRight", definition = "paper_square", x = 37.5, y = -11, angle = 0 },
    gloomerRoof = { name = "gloomerRoof", definition = "gloomer", x = 35, y = -10.9, angle = 0 },
    watchLow = { name = "watchLow", definition = "stone_square", x = 45, y = -1, angle = 0 },
    watchHigh = { name = "watchHigh", definition = "stone_square", x = 45, y = -3, angle = 0 },
    gloomerWatch = { name = "gloomerWatch", definition = "gloomer", x = 45, y = -4.9, angle = 0 },
}
