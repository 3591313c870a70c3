-- The scores that earn one, two and three stars, per level.
level1 = { 1000, 2000, 3000 }
