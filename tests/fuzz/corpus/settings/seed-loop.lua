while true do end
