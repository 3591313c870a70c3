-- Block kinds by name: material, strength and score. Read into blockTable.
crate = { material = "wood", strength = 10, score = 100 }
