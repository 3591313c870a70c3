-- What pelterra-build makes of Lanternfall's source folder. The build stages this folder
-- with the generated art/ (demo/tools/make_art.py) and sounds/ (demo/tools/make_sounds.sh)
-- and builds it; docs/making-a-game.md explains every setting.
name = "Lanternfall"
config = "config.lua"

-- The start-up scripts and their modules, and the levels: checked and enciphered.
scripts = { "scripts", "levels" }
-- The sound clips are read as they are.
files = { "sounds" }

-- One atlas per folder, so that the menus, the world and the backdrops load apart.
-- Sprites are named after their files: art/game/spark.png is "spark".
atlases = {
    { name = "sprites/game", images = "art/game", pivots = "art/game/pivots.txt" },
    { name = "sprites/ui", images = "art/ui" },
    { name = "sprites/themes", images = "art/themes", pivots = "scripts/themes-pivots.txt" },
}

-- texts = true adds every character texts.tsv uses (the Finnish letters among them).
fonts = {
    { name = "fonts/body", file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", size = 22,
      characters = "32-126", texts = true },
    { name = "fonts/title", file = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", size = 48,
      characters = "32-126", outline = 2, texts = true },
}

texts = {
    { name = "TEXTS_BASIC.dat", file = "texts.tsv" },
}

-- The data ships as container files: the engine then finds everything through its bundle
-- index at start.
bundle = true
