-- Level 3, "Swinging bridge": a bamboo platform hangs on two ropes of links above a hut.
-- A gloomer rides the platform; cut a rope, and it tips onto the hut.
theme = "hills"
lanterns = { "spark", "flare", "spark" }
solution = {
    { dx = -100, dy = 60 },
    { dx = -71, dy = 78 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    leftAnchor = { name = "leftAnchor", definition = "anchor", x = 30, y = -14, angle = 0 },
    leftLink1 = { name = "leftLink1", definition = "rope_link", x = 30, y = -13.5, angle = 0 },
    leftLink2 = { name = "leftLink2", definition = "rope_link", x = 30, y = -12.5, angle = 0 },
    leftLink3 = { name = "leftLink3", definition = "rope_link", x = 30, y = -11.5, angle = 0 },
    leftLink4 = { name = "leftLink4", definition = "rope_link", x = 30, y = -10.5, angle = 0 },
    rightAnchor = { name = "rightAnchor", definition = "anchor", x = 38, y = -14, angle = 0 },
    rightLink1 = { name = "rightLink1", definition = "rope_link", x = 38, y = -13.5, angle = 0 },
    rightLink2 = { name = "rightLink2", definition = "rope_link", x = 38, y = -12.5, angle = 0 },
    rightLink3 = { name = "rightLink3", definition = "rope_link", x = 38, y = -11.5, angle = 0 },
    rightLink4 = { name = "rightLink4", definition = "rope_link", x = 38, y = -10.5, angle = 0 },
    platform = { name = "platform", definition = "platform", x = 34, y = -9.6, angle = 0 },
    gloomerHigh = { name = "gloomerHigh", definition = "gloomer", x = 34, y = -10.9, angle = 0 },
    postLeft = { name = "postLeft", definition = "bamboo_post", x = 32, y = -2, angle = 0 },
    postRight = { name = "postRight", definition = "bamboo_post", x = 36, y = -2, angle = 0 },
    roof = { name = "roof", definition = "bamboo_plank", x = 34, y = -4.5, angle = 0 },
    gloomerLow = { name = "gloomerLow", definition = "gloomer", x = 34, y = -0.9, angle = 0 },
}
-- Each link hangs from the bottom of the one above (local point 0, 0.5), the first from its
-- anchor's centre; the last holds a corner of the platform.
joints = {
    leftRope1 = { name = "leftRope1", type = 3, coordType = 2, end1 = "leftAnchor", end2 = "leftLink1", x1 = 0, y1 = 0 },
    leftRope2 = { name = "leftRope2", type = 3, coordType = 2, end1 = "leftLink1", end2 = "leftLink2", x1 = 0, y1 = 0.5 },
    leftRope3 = { name = "leftRope3", type = 3, coordType = 2, end1 = "leftLink2", end2 = "leftLink3", x1 = 0, y1 = 0.5 },
    leftRope4 = { name = "leftRope4", type = 3, coordType = 2, end1 = "leftLink3", end2 = "leftLink4", x1 = 0, y1 = 0.5 },
    leftRope5 = { name = "leftRope5", type = 3, coordType = 2, end1 = "leftLink4", end2 = "platform", x1 = 0, y1 = 0.5 },
    rightRope1 = { name = "rightRope1", type = 3, coordType = 2, end1 = "rightAnchor", end2 = "rightLink1", x1 = 0, y1 = 0 },
    rightRope2 = { name = "rightRope2", type = 3, coordType = 2, end1 = "rightLink1", end2 = "rightLink2", x1 = 0, y1 = 0.5 },
    rightRope3 = { name = "rightRope3", type = 3, coordType = 2, end1 = "rightLink2", end2 = "rightLink3", x1 = 0, y1 = 0.5 },
    rightRope4 = { name = "rightRope4", type = 3, coordType = 2, end1 = "rightLink3", end2 = "rightLink4", x1 = 0, y1 = 0.5 },
    rightRope5 = { name = "rightRope5", type = 3, coordType = 2, end1 = "rightLink4", end2 = "platform", x1 = 0, y1 = 0.5 },
}
