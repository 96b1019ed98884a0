a = 0
for i = 1, 1000000 do a = a + 1 end
print(a)
