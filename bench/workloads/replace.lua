local f = io.open("text.txt", "rb"); local d = f:read("a"); f:close()
local r = d:gsub("apple", "orange")
print(#r)
