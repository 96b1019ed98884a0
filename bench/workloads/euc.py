open("out.txt", "wb").write(open("ja.txt", "rb").read().decode("cp932").encode("euc_jp"))
print("done")
