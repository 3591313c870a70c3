-- Level 4, "Bamboo gate": a long bamboo door hangs on a hinge before the gloomers' hut and
-- swings when struck; a heavy ember pushes it through.
theme = "hills"
lanterns = { "ember", "spark", "flare" }
solution = {
    { dx = -100, dy = 40 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    hinge = { name = "hinge", definition = "anchor", x = 31, y = -9.2, angle = 0 },
    door = { name = "door", definition = "bamboo_beam", x = 31, y = -5.2, angle = 1.5708 },
    postLeft = { name = "postLeft", definition = "bamboo_post", x = 34, y = -2, angle = 0 },
    postRight = { name = "postRight", definition = "bamboo_post", x = 38, y = -2, angle = 0 },
    roof = { name = "roof", definition = "stone_plank", x = 36, y = -4.5, angle = 0 },
    gloomerLow = { name = "gloomerLow", definition = "gloomer", x = 36, y = -0.9, angle = 0 },
    gloomerHigh = { name = "gloomerHigh", definition = "gloomer", x = 36, y = -5.9, angle = 0 },
    tower = { name = "tower", definition = "bamboo_square", x = 41, y = -1, angle = 0 },
    towerTop = { name = "towerTop", definition = "paper_square", x = 41, y = -3, angle = 0 },
}
-- The door hangs from the hinge's centre, its top end; it swings up to 75 degrees either way.
joints = {
    doorHinge = { name = "doorHinge", type = 3, coordType = 2, end1 = "hinge", end2 = "door", x1 = 0, y1 = 0,
                  limit = true, lowerLimit = -1.3, upperLimit = 1.3 },
}
