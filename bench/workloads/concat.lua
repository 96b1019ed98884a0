local parts = {}
for i = 1, 100000 do parts[#parts + 1] = "ab" end
print(#table.concat(parts))
