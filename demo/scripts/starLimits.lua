-- The scores that earn one, two and three stars, per level (read into starTable). One star
-- is what the gloomers alone are worth, so every win earns it; two need a tidy win, as the
-- recorded solutions play it; three ask for fewer lanterns or more of the structure.
level1 = { 5000, 9000, 13000 }
level2 = { 10000, 13000, 18000 }
level3 = { 10000, 13000, 18000 }
level4 = { 10000, 15000, 21000 }
level5 = { 18000, 26000, 33000 }
level6 = { 15000, 20000, 27000 }
level7 = { 15000, 16000, 22000 }
level8 = { 23000, 30000, 39000 }
level9 = { 18000, 23000, 30000 }
level10 = { 28000, 36000, 46000 }
