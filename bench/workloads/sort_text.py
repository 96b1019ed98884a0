lines = open("nums.txt", "rb").read().splitlines()
lines.sort()
open("out.txt", "wb").write(b"".join(l + b"\r\n" for l in lines))
print("done")
