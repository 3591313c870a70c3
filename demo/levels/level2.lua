-- Level 2, "Paper tower": two gloomers in a tower of paper, which sparks go through.
theme = "hills"
lanterns = { "spark", "spark", "spark" }
solution = {
    { dx = -94, dy = 54 },
    { dx = -103, dy = 34 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    postLeft = { name = "postLeft", definition = "paper_post", x = 30, y = -2, angle = 0 },
    postRight = { name = "postRight", definition = "paper_post", x = 34, y = -2, angle = 0 },
    gloomerLow = { name = "gloomerLow", definition = "gloomer", x = 32, y = -0.9, angle = 0 },
    floor = { name = "floor", definition = "paper_plank", x = 32, y = -4.5, angle = 0 },
    upperLeft = { name = "upperLeft", definition = "paper_post", x = 30.5, y = -7, angle = 0 },
    upperRight = { name = "upperRight", definition = "paper_post", x = 33.5, y = -7, angle = 0 },
    gloomerHigh = { name = "gloomerHigh", definition = "gloomer", x = 32, y = -5.9, angle = 0 },
    roof = { name = "roof", definition = "paper_plank", x = 32, y = -9.5, angle = 0 },
    lamp = { name = "lamp", definition = "paper_square", x = 32, y = -11, angle = 0 },
}
