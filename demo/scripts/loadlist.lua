-- Runs in the game world's table: what the start-up should know about.
loadedFirst = "loadlist"
