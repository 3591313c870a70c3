-- What pelterra-build makes of this folder: plain assignments, paths relative to this file.
-- ./run.sh FOLDER builds it into FOLDER/build and starts it; docs/making-a-game.md explains
-- every setting.
name = "New Game"
config = "config.lua"

-- Lua sources: checked for syntax errors and enciphered with the game's script key.
scripts = { "scripts" }

-- Every PNG under art/ becomes a sprite named after its file ("crate" from art/crate.png),
-- packed into sprites/game.png with the sheet sprites/game.dat.
atlases = {
    { name = "sprites/game", images = "art", maxSize = 2048 },
}

-- A bitmap font from a TrueType file: the printable ASCII range and every character the
-- texts use.
fonts = {
    { name = "fonts/body", file = "fonts/DejaVuSans.ttf", size = 28, characters = "32-126", texts = true },
}

-- Texts by id and language, tab-separated.
texts = {
    { name = "TEXTS_BASIC.dat", file = "texts.tsv" },
}

-- Set to true (or build with --bundle) to ship the data as container files.
bundle = false
