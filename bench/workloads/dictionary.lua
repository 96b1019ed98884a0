local n = 100000
d = {}
for i = 1, n do d["key" .. i] = i end
local sum = 0
for i = 1, n do sum = sum + d["key" .. i] end
if sum == n * (n + 1) // 2 then print("ok " .. sum) else print("NG " .. sum) end
