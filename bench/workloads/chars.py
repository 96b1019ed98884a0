print(len(open("ja.txt", encoding="cp932", newline="").read()))
