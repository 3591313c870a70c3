-- Level 5, "Hilltop shrine": a two-storey shrine of stone and bamboo with a big gloomer
-- inside, and a lookout tower beside it.
theme = "hills"
lanterns = { "ember", "flare", "spark", "spark" }
solution = {
    { dx = -100, dy = 40 },
    { dx = -69, dy = 71 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    pillarLeftLow = { name = "pillarLeftLow", definition = "stone_square", x = 31, y = -1, angle = 0 },
    pillarLeftHigh = { name = "pillarLeftHigh", definition = "stone_square", x = 31, y = -3, angle = 0 },
    pillarRightLow = { name = "pillarRightLow", definition = "stone_square", x = 37, y = -1, angle = 0 },
    pillarRightHigh = { name = "pillarRightHigh", definition = "stone_square", x = 37, y = -3, angle = 0 },
    gloomerBig = { name = "gloomerBig", definition = "gloomer_big", x = 34, y = -1.3, angle = 0 },
    floor = { name = "floor", definition = "bamboo_beam", x = 34, y = -4.5, angle = 0 },
    upperLeft = { name = "upperLeft", definition = "bamboo_post", x = 30.5, y = -7, angle = 0 },
    upperRight = { name = "upperRight", definition = "bamboo_post", x = 37.5, y = -7, angle = 0 },
    gloomerShrine = { name = "gloomerShrine", definition = "gloomer", x = 34, y = -5.9, angle = 0 },
    roof = { name = "roof", definition = "bamboo_beam", x = 34, y = -9.5, angle = 0 },
    bell = { name = "bell", definition = "paper_ball", x = 34, y = -11, angle = 0 },
    lookoutBase = { name = "lookoutBase", definition = "stone_square", x = 43, y = -1, angle = 0 },
    lookoutMiddle = { name = "lookoutMiddle", definition = "bamboo_square", x = 43, y = -3, angle = 0 },
    gloomerLookout = { name = "gloomerLookout", definition = "gloomer", x = 43, y = -4.9, angle = 0 },
}
