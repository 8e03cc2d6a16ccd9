# Writes the interior (prefecture-to-prefecture) boundary arcs of the
# "japan" database of R package mapdata as text: one "lon lat" vertex per
# line, a line "NA NA" between arcs.  Coordinates stay on the database's own
# (Tokyo) datum; the caller shifts them.
args <- commandArgs(trailingOnly = TRUE)
if (length(args) != 1) stop("usage: Rscript prefecture_lines.R OUTFILE")
suppressPackageStartupMessages({
  library(maps)
  library(mapdata)
})
m <- map("japan", boundary = FALSE, interior = TRUE, plot = FALSE,
         resolution = 0)
txt <- ifelse(is.na(m$x), "NA NA", sprintf("%.6f %.6f", m$x, m$y))
writeLines(txt, args[[1]])
