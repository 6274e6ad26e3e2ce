# Writes the page: index.html with the preview picture's tags in place of
# its @PREVIEW@ line, at the site's own address when one is given (chats
# that read the tags need an absolute address; without it they are relative
# to the page).
#   cmake -DIN=index.html -DOUT=site/index.html -DSITE_URL=https://host/path/ -P site_page.cmake
file(READ ${IN} page)
set(base "${SITE_URL}")
if(base AND NOT base MATCHES "/$")
  set(base "${base}/")
endif()
set(tags "<meta property=\"og:image\" content=\"${base}preview.png\">
<meta property=\"og:image:type\" content=\"image/png\">
<meta property=\"og:image:width\" content=\"1280\">
<meta property=\"og:image:height\" content=\"800\">
<meta property=\"og:image:alt\" content=\"A stone pillar with TUNDRIX glowing down its side, under northern lights and a full moon\">")
if(base)
  string(APPEND tags "\n<meta property=\"og:url\" content=\"${base}\">")
endif()
string(REPLACE "<!--@PREVIEW@-->" "${tags}" page "${page}")
file(WRITE ${OUT} "${page}")
