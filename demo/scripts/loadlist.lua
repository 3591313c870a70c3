-- Runs before gamelogic.lua, in the game's global table: the numbers every module shares.

-- World pixels per physics unit, as the engine draws bodies.
PIXELS_PER_UNIT = 20
-- levels/level1.lua .. levels/level10.lua
LEVEL_COUNT = 10
-- The text set of every text the game shows (texts.tsv).
TEXTS = "TEXTS_BASIC"
