-- Level 1, "First light": a gloomer waits on the open ground before a bamboo shrine.
-- The first shot of the recorded solution is the one a player learns first: press on the
-- lantern at window pixel (200, 520), drag to (110, 560), that is 90 pixels back and 40
-- down, and let go. The spark flies straight into the gloomer.
theme = "hills"
lanterns = { "spark", "spark", "spark" }
solution = {
    { dx = -90, dy = 40 },
}
world = {
    ground = { name = "ground", definition = "ground", x = 40, y = 5, angle = 0 },
    gloomer = { name = "gloomer", definition = "gloomer", x = 31.5, y = -0.9, angle = 0 },
    postFront = { name = "postFront", definition = "bamboo_post", x = 34.5, y = -2, angle = 0 },
    postBack = { name = "postBack", definition = "bamboo_post", x = 38.5, y = -2, angle = 0 },
    roof = { name = "roof", definition = "bamboo_plank", x = 36.5, y = -4.5, angle = 0 },
    screen = { name = "screen", definition = "paper_square", x = 36.5, y = -1, angle = 0 },
    lamp = { name = "lamp", definition = "paper_small", x = 36.5, y = -5.5, angle = 0 },
}
