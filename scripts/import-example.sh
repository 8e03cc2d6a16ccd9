#!/usr/bin/env bash
# From an occurrence table to a folder of maps, as a user runs it: makes a table of 50 taxa
# in the form of a GBIF simple download (tab-separated, its 50 columns in their order;
# deterministic, so every run draws the same maps), splits it into one distribution data
# file per taxon with tarvo-import, and draws one PNG per file, titled with its taxon, with
# Tarvo_L --export-dir.
# Fails unless there are 50 maps.
#
# usage: scripts/import-example.sh [BUILD_DIR] [OUT_DIR]
#   BUILD_DIR  a configured build with tarvo-import and Tarvo_L (default build/test)
#   OUT_DIR    where the table, data files and maps go (default BUILD_DIR/import-example)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
out=${2:-$build/import-example}
cmake --build "$build" --target tarvo-import Tarvo_L
import="$build/tools/import/tarvo-import"
conic="$build/conic/Tarvo_L"

rm -rf "$out"
mkdir -p "$out"
table="$out/occurrence.csv"

# Places on land with their altitudes; each taxon is found around a few of them.
awk 'BEGIN {
  OFS = "\t"
  split("gbifID datasetKey occurrenceID kingdom phylum class order family genus species " \
        "infraspecificEpithet taxonRank scientificName verbatimScientificName " \
        "verbatimScientificNameAuthorship countryCode locality stateProvince occurrenceStatus " \
        "individualCount publishingOrgKey decimalLatitude decimalLongitude " \
        "coordinateUncertaintyInMeters coordinatePrecision elevation elevationAccuracy depth " \
        "depthAccuracy eventDate day month year taxonKey speciesKey basisOfRecord " \
        "institutionCode collectionCode catalogNumber recordNumber identifiedBy dateIdentified " \
        "license rightsHolder recordedBy typeStatus establishmentMeans lastInterpreted mediaType " \
        "issue", col, " ")
  ncol = 50
  n = split("Fagus crenata|Blume;Fagus japonica|Maxim.;Quercus crispula|Blume;" \
            "Quercus serrata|Murray;Castanea crenata|Siebold & Zucc.;Betula ermanii|Cham.;" \
            "Betula platyphylla|Sukaczev;Alnus japonica|(Thunb.) Steud.;Pinus pumila|(Pall.) Regel;" \
            "Pinus densiflora|Siebold & Zucc.;Abies mariesii|Mast.;Abies veitchii|Lindl.;" \
            "Tsuga diversifolia|(Maxim.) Mast.;Cryptomeria japonica|(Thunb. ex L.f.) D.Don;" \
            "Chamaecyparis obtusa|(Siebold & Zucc.) Endl.;Larix kaempferi|(Lamb.) Carrière;" \
            "Picea jezoensis|(Siebold & Zucc.) Carrière;Acer palmatum|Thunb.;Acer japonicum|Thunb.;" \
            "Camellia japonica|L.;Rhododendron brachycarpum|D.Don ex G.Don;" \
            "Rhododendron kaempferi|Planch.;Erythronium japonicum|Decne.;Lilium auratum|Lindl.;" \
            "Hosta sieboldiana|(Hook.) Engl.;Trillium camschatcense|Ker Gawl.;" \
            "Dicentra peregrina|(Rudolph) Makino;Primula japonica|A.Gray;Gentiana scabra|Bunge;" \
            "Geum pentapetalum|(L.) Makino;Dryas octopetala|L.;Empetrum nigrum|L.;" \
            "Vaccinium vitis-idaea|L.;Diapensia lapponica|L.;Cassiope lycopodioides|(Pall.) D.Don;" \
            "Phyllodoce aleutica|(Spreng.) A.Heller;Sasa kurilensis|(Rupr.) Makino & Shibata;" \
            "Sasa veitchii|(Carrière) Rehder;Magnolia obovata|Thunb.;" \
            "Cercidiphyllum japonicum|Siebold & Zucc.;Aesculus turbinata|Blume;" \
            "Zelkova serrata|(Thunb.) Makino;Cornus controversa|Hemsl.;Ilex crenata|Thunb.;" \
            "Aucuba japonica|Thunb.;Skimmia japonica|Thunb.;" \
            "Lysichiton camtschatcensis|(L.) Schott;Nuphar japonica|DC.;Iris laevigata|Fisch.;" \
            "Wisteria floribunda|(Willd.) DC.", taxa, ";")
  np = split("43.06 141.35 30 Hokkaido;43.77 142.37 120 Hokkaido;43.66 142.85 1900 Hokkaido;" \
             "42.98 144.38 10 Hokkaido;41.77 140.73 20 Hokkaido;40.82 140.74 10 Aomori;" \
             "40.66 140.88 1200 Aomori;39.70 141.15 130 Iwate;38.27 140.87 40 Miyagi;" \
             "38.14 140.45 1500 Yamagata;37.90 139.02 5 Niigata;37.60 140.07 1200 Fukushima;" \
             "36.75 139.50 1300 Tochigi;35.68 139.69 40 Tokyo;35.36 138.73 2400 Shizuoka;" \
             "36.58 137.62 2450 Toyama;36.11 137.55 2700 Nagano;36.65 138.18 370 Nagano;" \
             "36.56 136.66 20 Ishikawa;36.15 136.77 2000 Ishikawa;35.18 136.91 20 Aichi;" \
             "35.01 135.77 50 Kyoto;34.69 135.50 10 Osaka;34.18 136.10 1500 Nara;" \
             "34.66 133.92 10 Okayama;35.37 133.55 1500 Tottori;34.39 132.46 10 Hiroshima;" \
             "33.77 133.12 1800 Ehime;33.56 133.53 10 Kochi;33.59 130.40 10 Fukuoka;" \
             "33.09 131.24 1500 Oita;31.60 130.56 20 Kagoshima;30.34 130.51 1200 Kagoshima;" \
             "26.21 127.68 10 Okinawa", places, ";")
  for (i = 1; i <= ncol; i++) printf "%s%s", col[i], (i < ncol ? OFS : "\n")
  seed = 20240611
  id = 4011000000
  for (t = 1; t <= n; t++) {
    split(taxa[t], name, "|")
    split(name[1], gs, " ")
    records = 4 + t % 9
    first = (t * 7) % np
    for (r = 0; r < records; r++) {
      seed = (seed * 1103515245 + 12345) % 2147483648
      p = (first + int(seed / 65536) % 9) % np + 1
      split(places[p], pl, " ")
      seed = (seed * 1103515245 + 12345) % 2147483648
      lat = pl[1] + (seed % 2001 - 1000) / 10000
      seed = (seed * 1103515245 + 12345) % 2147483648
      lon = pl[2] + (seed % 2001 - 1000) / 10000
      elev = pl[3] + seed % 200
      year = 1950 + (seed % 73)
      id++
      for (i = 1; i <= ncol; i++) v[col[i]] = ""
      v["gbifID"] = id; v["datasetKey"] = "2a5c7f0e-4d4c-4b8e-9a39-7f3b1e0c9d21"
      v["occurrenceID"] = "urn:catalog:TNS:VS:" id
      v["kingdom"] = "Plantae"; v["phylum"] = "Tracheophyta"; v["genus"] = gs[1]
      v["species"] = name[1]; v["taxonRank"] = "SPECIES"
      v["scientificName"] = name[1] " " name[2]; v["verbatimScientificName"] = name[1]
      v["verbatimScientificNameAuthorship"] = name[2]; v["countryCode"] = "JP"
      v["stateProvince"] = pl[4]; v["occurrenceStatus"] = "PRESENT"
      v["decimalLatitude"] = sprintf("%.4f", lat); v["decimalLongitude"] = sprintf("%.4f", lon)
      v["elevation"] = sprintf("%.1f", elev); v["year"] = year
      v["eventDate"] = year "-07-01T00:00:00"; v["day"] = 1; v["month"] = 7
      v["basisOfRecord"] = (r % 4 == 3 ? "HUMAN_OBSERVATION" : "PRESERVED_SPECIMEN")
      v["institutionCode"] = "TNS"; v["license"] = "CC_BY_4_0"
      v["lastInterpreted"] = "2024-06-11T08:12:40.102Z"
      # As in real downloads, a few records have no coordinates.
      if (r == 2 && t % 10 == 0) { v["decimalLatitude"] = ""; v["decimalLongitude"] = "" }
      for (i = 1; i <= ncol; i++) printf "%s%s", v[col[i]], (i < ncol ? OFS : "\n")
    }
  }
}' > "$table"

echo "== tarvo-import"
status=0
"$import" "$table" --split-by scientificName --out-dir "$out/grd" || status=$?
# 1 means some rows were reported and not written; anything else is a failure.
if [ "$status" -gt 1 ]; then exit "$status"; fi

echo "== Tarvo_L --export-dir"
files=("$out"/grd/*.grd)
mkdir -p "$out/png"
QT_QPA_PLATFORM=offscreen "$conic" --set Map.GridSize=1 --set Legend.ShowLegend=1 --title-from-data \
  --export-dir "$out/png" "${files[@]}" \
  > "$out/export.log"
maps=$(find "$out/png" -name '*.png' | wc -l)
echo "data files: ${#files[@]}, maps: $maps (in $out/png)"
[ "${#files[@]}" -eq 50 ] && [ "$maps" -eq 50 ]
