-- Level 7, "Hanging stone": a stone ball hangs on a rope of links over a paper hut. Cut the
-- rope and let the stone do the work.
theme = "frost"
lanterns = { "spark", "spark", "ember" }
solution = {
    { dx = -81, dy = 82 },
    { dx = -104, dy = 54 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    ropeAnchor = { name = "ropeAnchor", definition = "anchor", x = 36, y = -16, angle = 0 },
    ropeLink1 = { name = "ropeLink1", definition = "rope_link", x = 36, y = -15.5, angle = 0 },
    ropeLink2 = { name = "ropeLink2", definition = "rope_link", x = 36, y = -14.5, angle = 0 },
    ropeLink3 = { name = "ropeLink3", definition = "rope_link", x = 36, y = -13.5, angle = 0 },
    ropeLink4 = { name = "ropeLink4", definition = "rope_link", x = 36, y = -12.5, angle = 0 },
    ropeLink5 = { name = "ropeLink5", definition = "rope_link", x = 36, y = -11.5, angle = 0 },
    stoneBall = { name = "stoneBall", definition = "stone_ball", x = 36, y = -10, angle = 0 },
    postLeft = { name = "postLeft", definition = "paper_post", x = 34, y = -2, angle = 0 },
    postRight = { name = "postRight", definition = "paper_post", x = 38, y = -2, angle = 0 },
    roof = { name = "roof", definition = "paper_plank", x = 36, y = -4.5, angle = 0 },
    gloomerInside = { name = "gloomerInside", definition = "gloomer", x = 36, y = -0.9, angle = 0 },
    gloomerRoof = { name = "gloomerRoof", definition = "gloomer", x = 36, y = -5.9, angle = 0 },
    block = { name = "block", definition = "stone_square", x = 42, y = -1, angle = 0 },
    gloomerBlock = { name = "gloomerBlock", definition = "gloomer", x = 42, y = -2.9, angle = 0 },
}
-- Each link hangs from the bottom of the one above (local point 0, 0.5), the first from the
-- anchor's centre; the last holds the ball by its top.
joints = {
    ropeRope1 = { name = "ropeRope1", type = 3, coordType = 2, end1 = "ropeAnchor", end2 = "ropeLink1", x1 = 0, y1 = 0 },
    ropeRope2 = { name = "ropeRope2", type = 3, coordType = 2, end1 = "ropeLink1", end2 = "ropeLink2", x1 = 0, y1 = 0.5 },
    ropeRope3 = { name = "ropeRope3", type = 3, coordType = 2, end1 = "ropeLink2", end2 = "ropeLink3", x1 = 0, y1 = 0.5 },
    ropeRope4 = { name = "ropeRope4", type = 3, coordType = 2, end1 = "ropeLink3", end2 = "ropeLink4", x1 = 0, y1 = 0.5 },
    ropeRope5 = { name = "ropeRope5", type = 3, coordType = 2, end1 = "ropeLink4", end2 = "ropeLink5", x1 = 0, y1 = 0.5 },
    ropeRope6 = { name = "ropeRope6", type = 3, coordType = 2, end1 = "ropeLink5", end2 = "stoneBall", x1 = 0, y1 = 0.5 },
}
