iconv -f CP932 -t EUC-JP ja.txt > out.txt && echo done
