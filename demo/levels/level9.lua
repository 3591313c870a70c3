-- Level 9, "Trapdoor": two gloomers sit on a bamboo trapdoor hinged to a stone tower; a
-- paper column holds up its far end. Knock the column out and the floor swings down.
theme = "frost"
lanterns = { "spark", "ember", "flare", "ember" }
solution = {
    { dx = -100, dy = 40 },
    { dx = -93, dy = 44 },
    { dx = -72, dy = 76 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    towerLow = { name = "towerLow", definition = "stone_square", x = 29.8, y = -1, angle = 0 },
    towerMiddle = { name = "towerMiddle", definition = "stone_square", x = 29.8, y = -3, angle = 0 },
    towerHigh = { name = "towerHigh", definition = "stone_square", x = 29.8, y = -5, angle = 0 },
    hinge = { name = "hinge", definition = "anchor", x = 31, y = -6.5, angle = 0 },
    trapdoor = { name = "trapdoor", definition = "bamboo_beam", x = 35, y = -6.5, angle = 0 },
    columnFoot = { name = "columnFoot", definition = "stone_small", x = 38.5, y = -0.5, angle = 0 },
    column = { name = "column", definition = "paper_post", x = 38.5, y = -3, angle = 0 },
    columnHead = { name = "columnHead", definition = "paper_small", x = 38.5, y = -5.5, angle = 0 },
    gloomerDoor = { name = "gloomerDoor", definition = "gloomer", x = 33.5, y = -7.9, angle = 0 },
    gloomerDoorBig = { name = "gloomerDoorBig", definition = "gloomer_big", x = 36.5, y = -8.3, angle = 0 },
    gloomerBelow = { name = "gloomerBelow", definition = "gloomer", x = 34, y = -0.9, angle = 0 },
    guard = { name = "guard", definition = "stone_small", x = 32, y = -0.5, angle = 0 },
}
-- The trapdoor turns about its left end, the hinge's centre: it can swing down (a positive
-- angle turns it clockwise) but not up.
joints = {
    trapdoorHinge = { name = "trapdoorHinge", type = 3, coordType = 2, end1 = "hinge", end2 = "trapdoor", x1 = 0, y1 = 0,
                      limit = true, lowerLimit = 0, upperLimit = 1.5 },
}
