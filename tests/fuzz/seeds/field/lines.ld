  
"Two
lines", rest
