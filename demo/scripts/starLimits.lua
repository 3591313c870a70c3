-- The scores that earn one, two and three stars, per level (read into starTable).
level1 = { 6000, 9000, 11000 }
