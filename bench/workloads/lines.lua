local f = io.open("text.txt", "rb"); local d = f:read("a"); f:close()
local n = 0
for _ in d:gmatch("\r\n") do n = n + 1 end
print(n)
