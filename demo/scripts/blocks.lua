-- Block kinds: material, strength and how much they score.
wood = { material = "wood", strength = 10, score = 500 }
rock = { material = "rock", strength = 40, score = 1000 }
