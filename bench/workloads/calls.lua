c = 0
function add() c = c + 1 end
for i = 1, 100000 do add() end
print(c)
