-- Score needed for one, two and three stars, per level.
demo = { 1000, 3000, 6000 }
